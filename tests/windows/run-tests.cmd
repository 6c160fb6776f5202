@echo off
rem The kit's tests on the Windows this runs on: each test of both flavours
rem that tests.txt lists (the build writes it from CTest's list, without the
rem tests that need the Linux harness), one at a time.
rem   run-tests.cmd /disposable [program.exe ...]   (only those programs' tests)
rem It changes the machine: App Paths of OUTLOOK.EXE, COM registrations,
rem Outlook's add-in key, the product's test installs and, on Windows, who
rem may replace the system folders' MAPI32.DLL (the MAPI stand-in's tests do).
rem So it runs only where told the machine is disposable (/disposable, or
rem NOX_KIT_TESTS_DISPOSABLE=1), never where Outlook is installed, and
rem elevated. It writes results\<n>.xml (JUnit, one file a test, as
rem GoogleTest writes it), results\<n>.log and results\summary.txt, and ends
rem with 0 when no test failed, 1 when one did, 2 when it refused to run.
setlocal enabledelayedexpansion
cd /d "%~dp0"
set "disposable=%NOX_KIT_TESTS_DISPOSABLE%"
set "only= "
:arguments
if "%~1"=="" goto checked_arguments
if /i "%~1"=="/disposable" (set disposable=1) else (set "only=!only!%~1 ")
shift
goto arguments
:checked_arguments
if not "%disposable%"=="1" (
    echo run-tests: refused: the tests change this machine's registry and system folder; run them only on a disposable machine ^(a VM, Windows Sandbox, a CI runner^), with /disposable
    exit /b 2
)
rem (A loop: Wine's cmd runs the last of "a || b || c" even when a succeeds.)
set outlook=
for %%v in (32 64) do (
    reg query "HKLM\SOFTWARE\Clients\Mail\Microsoft Outlook" /reg:%%v >nul 2>&1
    if not errorlevel 1 set outlook=1
)
if defined outlook (
    echo run-tests: refused: Outlook is installed here, and the tests would change its registration; use a machine without Outlook
    exit /b 2
)
set wine=
reg query "HKLM\Software\Wine" >nul 2>&1 && set wine=1
if not defined wine (
    net session >nul 2>&1 || (
        echo run-tests: refused: the tests write HKEY_LOCAL_MACHINE and Program Files; run this from an elevated prompt
        exit /b 2
    )
)
if exist results rd /s /q results
md results
rem Wine closes a desktop nobody uses; a program of the harness keeps it.
if defined wine start "" bin\HoldDesktop.exe "%TEMP%\nox-kit-desktop-held"
if not defined wine call :mapi_stand_in_may_replace
set /a passed=0, failed=0, skipped=0, n=0
for /f "usebackq tokens=1-4 delims=|" %%a in ("tests.txt") do call :run "%%a" "%%b" "%%c" "%%d"
if not defined wine call :mapi_as_it_was
set "summary=NOX kit tests: !passed! passed, !failed! failed, !skipped! skipped"
echo !summary!
echo !summary!>results\summary.txt
if !failed! gtr 0 exit /b 1
exit /b 0

rem One test: PROGRAM ARGUMENTS DLL-OVERRIDES NAME ("-" for none).
:run
set "program=%~1"
set "arguments=%~2"
set "overrides=%~3"
set "name=%~4"
if "!arguments!"=="-" set arguments=
if "!overrides!"=="-" set overrides=
rem Named among the programs to run, when some are: their name taken out
rem of the list changes it.
call set "others=%%only: %~nx1 = %%"
if not "!only!"==" " if "!others!"=="!only!" exit /b 0
set /a n+=1
if defined wine if defined overrides call :wine_overrides "!overrides!" add
set output=
rem (Wine's cmd takes no substring in !...!; call's second % pass works in both.)
call set "head=%%arguments:~0,15%%"
if "!head!"=="--gtest_filter=" set "output=--gtest_output=xml:results\!n!.xml"
"!program!" !arguments! !output! >results\!n!.log 2>&1
set code=!errorlevel!
if defined wine if defined overrides call :wine_overrides "!overrides!" delete
rem A test that skips itself (GTEST_SKIP: one for Windows only, say) ends with 0.
if !code!==0 (
    find "[  SKIPPED ]" results\!n!.log >nul
    if not errorlevel 1 set code=77
)
if !code!==0 (set /a passed+=1& echo passed: !name!& exit /b 0)
set "skip=skipped"
if defined wine find "Windows only:" results\!n!.log >nul
if defined wine if not errorlevel 1 set "skip=not run under Wine"
if !code!==77 (set /a skipped+=1& echo !skip!: !name!& exit /b 0)
set /a failed+=1
echo FAILED: !name! ^(exit code !code!; results\!n!.log^)
if not defined output (
    >results\!n!.xml echo ^<testsuites tests="1" failures="1"^>^<testsuite name="!name!" tests="1" failures="1"^>^<testcase name="!name!"^>^<failure message="exit code !code!"/^>^</testcase^>^</testsuite^>^</testsuites^>
)
exit /b 0

rem Under Wine, which of its DLLs a test takes instead of the one beside
rem it or in the system folder ("mapi32=n": the native one, the stand-in),
rem for every program of the test, as the Linux harness says it with
rem WINEDLLOVERRIDES: OVERRIDES, then add or delete.
:wine_overrides
for /f "tokens=1,2 delims==" %%d in ("%~1") do (
    if "%~2"=="add" (reg add "HKCU\Software\Wine\DllOverrides" /v "%%d" /d "%%e" /f >nul) else (
        reg delete "HKCU\Software\Wine\DllOverrides" /v "%%d" /f >nul 2>&1)
)
exit /b 0

rem The MAPI stand-in's tests put it in place of the system folders'
rem MAPI32.DLL, which Windows lets only TrustedInstaller replace: for the
rem run, administrators may; afterwards the file is as it was (icacls /save
rem and /restore keep its access list, /setowner gives it back).
:mapi_stand_in_may_replace
for %%d in ("%SystemRoot%\System32" "%SystemRoot%\SysWOW64") do if exist "%%~d\MAPI32.DLL" (
    icacls "%%~d\MAPI32.DLL" /save "results\mapi32-%%~nd.acl" >nul
    takeown /f "%%~d\MAPI32.DLL" /a >nul
    icacls "%%~d\MAPI32.DLL" /grant *S-1-5-32-544:F >nul
)
exit /b 0
:mapi_as_it_was
for %%d in ("%SystemRoot%\System32" "%SystemRoot%\SysWOW64") do if exist "results\mapi32-%%~nd.acl" (
    icacls "%%~d\MAPI32.DLL" /setowner "NT SERVICE\TrustedInstaller" >nul
    icacls "%%~d" /restore "results\mapi32-%%~nd.acl" >nul
)
exit /b 0

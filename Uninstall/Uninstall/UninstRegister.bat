@echo off
rem Registers the cleanup add-in that lies beside this script, silently, from
rem whatever folder it is started in: uninstall.dll for a 32-bit Outlook and,
rem on 64-bit Windows, x64\uninstall.dll for a 64-bit one. Each registers in
rem its own registry view, so whichever Outlook starts next loads it once.
"%SystemRoot%\System32\regsvr32.exe" /s "%~dp0uninstall.dll"
set result=%errorlevel%
if /i "%PROCESSOR_ARCHITECTURE%%PROCESSOR_ARCHITEW6432%"=="x86" goto done
"%SystemRoot%\System32\regsvr32.exe" /s "%~dp0x64\uninstall.dll"
if errorlevel 1 set result=%errorlevel%
:done
exit /b %result%

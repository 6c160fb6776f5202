@echo off
rem Registers the cleanup add-in that lies beside this script, silently:
rem uninstall.dll for a 32-bit Outlook and, on 64-bit Windows, x64\uninstall.dll
rem for a 64-bit one. Each registers in its own registry view, so whichever
rem Outlook starts next loads it once. It works in its own folder: the kit
rem starts it there, and it moves there when started from elsewhere. The
rem DLLs are named relative to it, so that the folder's name is never
rem expanded on a command line.
cd /d "%~dp0" 2>nul
"%SystemRoot%\System32\regsvr32.exe" /s ".\uninstall.dll"
set result=%errorlevel%
if /i "%PROCESSOR_ARCHITECTURE%%PROCESSOR_ARCHITEW6432%"=="x86" goto done
"%SystemRoot%\System32\regsvr32.exe" /s ".\x64\uninstall.dll"
if errorlevel 1 set result=%errorlevel%
:done
exit /b %result%

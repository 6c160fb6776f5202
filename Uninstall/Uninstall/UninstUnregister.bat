@echo off
rem Unregisters both flavours of the cleanup add-in that lie beside this
rem script, silently, in its own folder as UninstRegister.bat does. On 32-bit
rem Windows there is no 64-bit flavour to unregister.
cd /d "%~dp0" 2>nul
"%SystemRoot%\System32\regsvr32.exe" /s /u ".\uninstall.dll"
set result=%errorlevel%
if /i "%PROCESSOR_ARCHITECTURE%%PROCESSOR_ARCHITEW6432%"=="x86" goto done
"%SystemRoot%\System32\regsvr32.exe" /s /u ".\x64\uninstall.dll"
if errorlevel 1 set result=%errorlevel%
:done
exit /b %result%

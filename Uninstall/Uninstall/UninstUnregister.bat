@echo off
rem Unregisters the cleanup add-in uninstall.dll that lies beside this script,
rem silently, from whatever folder it is started in.
"%SystemRoot%\System32\regsvr32.exe" /s /u "%~dp0uninstall.dll"
exit /b %errorlevel%

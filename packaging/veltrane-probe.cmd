@echo off
rem Runs the probe beside this script with the Java of JAVA_HOME when it is set (point it
rem at the application's own runtime), else the java on the PATH. Arguments pass on.
setlocal
set "VELTRANE_JAVA=java"
if defined JAVA_HOME set "VELTRANE_JAVA=%JAVA_HOME%\bin\java.exe"
"%VELTRANE_JAVA%" -jar "%~dp0veltrane-probe.jar" %*
exit /b %ERRORLEVEL%

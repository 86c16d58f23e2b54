@echo off
rem Corvane test kit: runs every Windows test program of the suite on this
rem machine, as the current user, and puts back everything it set up.
rem
rem   run-tests.cmd            runs every program listed in tests.txt
rem   run-tests.cmd /cleanup   only puts back what an interrupted run left
rem
rem Needs no admin rights and no PowerShell. Prints one line per program,
rem then "N passed, N failed"; the output of each failed program (and of
rem each that skipped cases) lands in logs\ beside this file. Exit code 0
rem when every program passed.
setlocal EnableExtensions DisableDelayedExpansion
set "kit=%~dp0"
set "kit=%kit:~0,-1%"
set "state=%kit%\state"
set "logs=%kit%\logs"
set "platform=Windows"
reg query "HKCU\Software\Wine" >nul 2>&1
if not errorlevel 1 set "platform=Wine"

rem Registry keys the tests write to for the current user. Each is saved
rem before the run and put back as it was afterwards. Wine's shell reads
rem associations only from HKEY_CLASSES_ROOT (Windows merges the user's
rem into it), so under Wine the tests write those there too.
set keys="HKCU\Software\Corvane" "HKCU\corvane" "HKLM\Software\Corvane" "HKLM\Software\WOW6432Node\Corvane" "HKCU\Software\Other" "HKCU\Software\Victim" "HKCU\Software\Elsewhere" "HKCU\Software\NotCorvane" "HKCU\Software\Classes\.csv" "HKCU\Software\Classes\Corvane.ShellTest.Csv" "HKCU\Software\Classes\http" "HKCU\Software\Classes\https" "HKCU\Software\Classes\ftp" "HKCU\Software\Classes\.pdf" "HKCU\Software\Classes\.txt" "HKCU\Software\Classes\.html" "HKCU\Software\Classes\.htm"
if "%platform%"=="Wine" set keys=%keys% "HKCR\.csv" "HKCR\.xml" "HKCR\Corvane.ShellTest.Csv" "HKCR\http" "HKCR\https" "HKCR\ftp" "HKCR\.pdf" "HKCR\.txt" "HKCR\.html" "HKCR\.htm"
rem Keys that may be made as the parents of those: removed afterwards when
rem they were missing before, never saved or touched otherwise.
set parents="HKCU\Software\Classes"
rem Folders in which the tests make "corvane*" entries; whatever of that
rem name appears there during the run is removed afterwards.
set folders="%SystemDrive%" "%APPDATA%" "%LOCALAPPDATA%" "%LOCALAPPDATA%\Temp" "%TEMP%"

if /i "%~1"=="/inner" goto inner
if exist "%state%\" (
  echo An earlier run did not finish: putting back what it set up.
  call :restore
)
if /i "%~1"=="/cleanup" exit /b 0
rem The run goes on in a child without input: an interrupt ends it without
rem asking, and this line then puts everything back, whatever happened.
cmd /d /c ""%~f0" /inner" <nul & call :keep_code & call :restore & goto finish
:finish
exit /b %rc%

:keep_code
set "rc=%errorlevel%"
exit /b 0

:inner
set "refused="
for %%f in ("%APPDATA%\corvane" "%APPDATA%\corvane0123abcd") do call :refuse_if_there "%%~f"
if defined refused exit /b 2
mkdir "%state%"
if errorlevel 1 exit /b 2
if exist "%logs%\" rd /s /q "%logs%"
call :save
if errorlevel 1 (
  echo Could not save the registry keys the tests change.
  exit /b 2
)
rem Some prefixes and fresh profiles have no Temp folder until something makes one.
if not exist "%LOCALAPPDATA%\Temp\" (
  mkdir "%LOCALAPPDATA%\Temp"
  >>"%state%\made.txt" echo %LOCALAPPDATA%\Temp
)
rem (Wine's cmd leaves a file in %TEMP% for each for /f over a command.)
ver >"%state%\ver.txt"
for /f "usebackq delims=" %%v in ("%state%\ver.txt") do set "system=%%v"
echo Corvane test kit, on %platform%: %system%
set /a passed=0, failed=0
pushd "%kit%\bin"
for /f "usebackq eol=# tokens=1,2" %%a in ("%kit%\tests.txt") do call :run %%a %%b
popd
echo %passed% passed, %failed% failed
if %failed% neq 0 exit /b 1
exit /b 0

rem :refuse_if_there FOLDER: fails when it exists (it may hold real data).
:refuse_if_there
if not exist "%~1\" exit /b 0
echo %~1 exists: the tests write and delete there. Move it aside, or run the kit as another user.
set "refused=1"
exit /b 0

rem :run NAME PROGRAM
:run
set "log=%state%\%~1.log"
"%kit%\bin\%~2" >"%log%" 2>&1
set "code=%errorlevel%"
set "skipped="
find "skipped on " "%log%" >nul 2>&1
if not errorlevel 1 set "skipped=1"
if not "%code%"=="0" goto run_failed
set /a passed+=1
if not defined skipped (
  echo ok     %~1
  del "%log%"
  exit /b 0
)
echo ok     %~1 ^(some cases skipped: see logs\%~1.log^)
goto keep_log
:run_failed
set /a failed+=1
echo FAILED %~1 ^(exit code %code%: see logs\%~1.log^)
:keep_log
if not exist "%logs%\" mkdir "%logs%"
move /y "%log%" "%logs%\%~1.log" >nul
exit /b 0

:save
type nul >"%state%\before.txt"
for %%f in (%folders%) do call :list_in "%%~f"
set /a n=0
set "unsaved="
for %%k in (%keys%) do call :save_key %%k
for %%k in (%parents%) do call :note_missing %%k
if defined unsaved exit /b 1
exit /b 0

:note_missing
reg query "%~1" >nul 2>&1
if errorlevel 1 >>"%state%\keys.txt" echo -^|%~1
exit /b 0

:list_in
rem (Wine's cmd expands no wildcard inside quotes, hence the change of folder.)
pushd "%~1\" 2>nul
if errorlevel 1 exit /b 0
for /d %%d in (corvane*) do >>"%state%\before.txt" echo %%~fd
for %%d in (corvane*) do >>"%state%\before.txt" echo %%~fd
popd
exit /b 0

rem :save_key KEY: its export, or "-" when it does not exist.
:save_key
set /a n+=1
reg query "%~1" >nul 2>&1
if errorlevel 1 (
  >>"%state%\keys.txt" echo -^|%~1
  exit /b 0
)
reg export "%~1" "%state%\key%n%.reg" /y >nul 2>&1
if errorlevel 1 (
  set "unsaved=1"
  exit /b 0
)
>>"%state%\keys.txt" echo %state%\key%n%.reg^|%~1
exit /b 0

:restore
rem (No loops inside parenthesised blocks: Wine's cmd does not expand them.)
if not exist "%state%\keys.txt" goto restored_keys
for /f "usebackq tokens=1,* delims=|" %%a in ("%state%\keys.txt") do call :restore_key "%%a" "%%b"
:restored_keys
if not exist "%state%\before.txt" goto restored_folders
for %%f in (%folders%) do call :remove_new_in "%%~f"
:restored_folders
if not exist "%state%\made.txt" goto restored_made
for /f "usebackq delims=" %%d in ("%state%\made.txt") do call :remove "%%d"
:restored_made
rd /s /q "%state%" 2>nul
exit /b 0

:remove_new_in
pushd "%~1\" 2>nul
if errorlevel 1 exit /b 0
for /d %%d in (corvane*) do call :remove_new "%%~fd"
for %%d in (corvane*) do call :remove_new "%%~fd"
popd
exit /b 0

:restore_key
reg delete "%~2" /f >nul 2>&1
if not "%~1"=="-" reg import "%~1" >nul 2>&1
exit /b 0

rem :remove_new PATH: removed unless it was there before the run.
:remove_new
for /f "usebackq delims=" %%l in ("%state%\before.txt") do if /i "%%l"=="%~1" exit /b 0
call :remove "%~1"
exit /b 0

rem :remove PATH: a file, or a folder with everything in it. Under Wine some
rem names the tests make (a ":" in them, DOS device names) cannot be removed
rem through Windows calls; Wine's own Unix side removes what is left.
:remove
if exist "%~1\" (rd /s /q "%~1" 2>nul) else (del /f /q "%~1" 2>nul)
if not exist "%~1" exit /b 0
if not "%platform%"=="Wine" exit /b 0
winepath -u "%~1" >"%state%\unix.txt" 2>nul
set "unix="
set /p unix=<"%state%\unix.txt"
if defined unix start /wait /unix /bin/rm -rf "%unix%"
exit /b 0

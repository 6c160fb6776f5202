-- Rows of NOX.msi that wixl 0.101 cannot write, added by msibuild, one
-- statement a line.
-- The system's regsvr32.exe, copied beside Register.exe once the files are
-- there to be registered (MoveFile Options 0: a copy), removed at uninstall.
CREATE TABLE `MoveFile` (`FileKey` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL, `SourceName` CHAR(255) LOCALIZABLE, `DestName` CHAR(255) LOCALIZABLE, `SourceFolder` CHAR(72), `DestFolder` CHAR(72) NOT NULL, `Options` SHORT NOT NULL PRIMARY KEY `FileKey`)
INSERT INTO `MoveFile` (`FileKey`, `Component_`, `SourceName`, `DestName`, `SourceFolder`, `DestFolder`, `Options`) VALUES ('Regsvr32Copy', 'Regsvr32Copy', 'regsvr32.exe', 'regsvr32.exe', 'SystemFolder', 'INSTALLDIR', 0)
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('MoveFiles', '', 3800)
INSERT INTO `RemoveFile` (`FileKey`, `Component_`, `FileName`, `DirProperty`, `InstallMode`) VALUES ('Regsvr32Copy', 'Regsvr32Copy', 'regsvr32.exe', 'INSTALLDIR', 2)
-- Custom actions of type 34: a program with INSTALLDIR as its working folder
-- (wixl has no Directory attribute). +1024 deferred, +2048 not impersonated,
-- +256 rollback only, +64 exit code ignored.
-- Should the installation fail after Register.exe, NOX.dll is unregistered again.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('UnregisterProductOnRollback', 3426, 'INSTALLDIR', '"[SystemFolder]regsvr32.exe" /s /u "[#NOX.dll]"')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('UnregisterProductOnRollback', 'NOT REMOVE', 4025)
-- On removal, first the product's own add-in, so that the Outlook the kit
-- restarts loads the cleanup add-in and not NOX.dll.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('UnregisterProduct', 3170, 'INSTALLDIR', '"[SystemFolder]regsvr32.exe" /s /u "[#NOX.dll]"')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('UnregisterProduct', 'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE', 1510)
-- After Uninstaller.exe (1520), which does not wait for it, the unregister
-- script once more, waited for, in the user's session like the sequence: run
-- as .\UninstUnregister.bat in its folder, so that the folder's name never
-- stands on cmd's command line and no script of that name is taken from
-- along PATH; only while the script is installed.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RunUnregisterScript', 1122, 'INSTALLDIR', '"[SystemFolder]cmd.exe" /d /v:off /c .\UninstUnregister.bat')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RunUnregisterScript', 'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE AND ?UnregisterScript=3', 1530)

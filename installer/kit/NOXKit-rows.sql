-- Rows a NOXKit.wxi package needs that wixl 0.101 cannot write, for msibuild,
-- one statement a line: wixl makes every action it writes immediate or
-- deferred, never a rollback action. Should the installation fail after
-- NOX.dll is registered (4030), it is unregistered again: type 1 (a DLL
-- in the Binary table) +256 rollback +1024 in the script +2048 not
-- impersonated = 3329; NOXKitSetRollbackData (4010) gives it the folder.
INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('NOXKitUnregisterOnRollback', 3329, 'NOXKitSetup', 'UnregisterProductAction')
INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('NOXKitUnregisterOnRollback', 'NOT REMOVE', 4025)

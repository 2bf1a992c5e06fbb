// The uninstaller's program block up to its message loop: the application titled "Uninstall"
// and its one form.
#pragma once

void CreateUninstallForms();

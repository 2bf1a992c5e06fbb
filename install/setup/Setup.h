// Setup's program block: the user-interface thread enters a single-threaded COM apartment
// (for the shell links) when the application initialises, the title is set, and the
// background and then the wizard are made; EndSetup leaves the apartment when setup ends.
#pragma once

void CreateSetupForms();
void EndSetup();

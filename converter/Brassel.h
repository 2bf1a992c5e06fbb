// The program block up to its message loop: the application with its title and the three
// forms, in the order the converter makes them (main window, about box, options dialog).
#pragma once

void CreateBrasselForms();

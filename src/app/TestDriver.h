#pragma once

// A test aid for tests that run the real program in another process. While the environment variable
// VELQUON_TEST_COMMANDS names a file, the program reads the lines added to it (every 100 ms) and carries them
// out on the loaded main window, as a user would:
//
//     select <row> [<last row>]   selects rows of the call list (row 1 is the first record)
//     trigger <name>              chooses the menu item or clicks the button of that objectName, when enabled
//     exit <code>                 ends the process with exit(), as a library may, none of the exit steps run
//
// Lines it cannot carry out are passed over. Without the variable nothing is read. Together with
// VELQUON_DUMP_CALL_LIST (mainwindow/CallListDump.h) a test can drive the program and read what it shows.
void installTestDriver();

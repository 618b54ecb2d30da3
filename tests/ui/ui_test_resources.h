// Identifiers of the resources built into ui_test.exe (ui_test.rc).
#ifndef TESTS_UI_UI_TEST_RESOURCES_H_
#define TESTS_UI_UI_TEST_RESOURCES_H_

#define IDD_OLD_FONT 300    // DLGTEMPLATE, "MS Sans Serif" 8: adapted
#define IDD_OTHER_FONT 301  // "Courier New" 8: shown as stored
#define IDD_EXTENDED 302    // DLGTEMPLATEEX, "MS Shell Dlg" 8, bold italic: adapted

#define IDC_FIRST 1001
#define IDC_SECOND 1002
#define IDC_LABEL 1003

#define IDI_TEST 400

#endif  // TESTS_UI_UI_TEST_RESOURCES_H_

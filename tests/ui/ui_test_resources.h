// Identifiers of the resources built into ui_test.exe (ui_test.rc).
#ifndef TESTS_UI_UI_TEST_RESOURCES_H_
#define TESTS_UI_UI_TEST_RESOURCES_H_

// Dialogs, all German (0x0407) like the installer's.
#define IDD_OLD_FONT 300        // "MS Sans Serif" 8: adapted
#define IDD_OTHER_FONT 301      // "Courier New" 8: shown as stored
#define IDD_EXTENDED 302        // DLGTEMPLATEEX, "MS Shell Dlg" 8, bold italic

#define IDC_FIRST 1001
#define IDC_SECOND 1002
#define IDC_LABEL 1003

#define IDI_TEST 400

// Raw data resources in chosen languages; each holds its own language tag.
#define IDR_NEUTRAL_ONLY 500    // LANG_NEUTRAL only
#define IDR_UK_ONLY 501         // 0x0809 only
#define IDR_GERMAN_FAMILY 502   // 0x0407, 0x0C07 and 0x0409
#define IDR_ENGLISH_PAIR 503    // 0x0809 and 0x0C09
#define IDR_ENGLISH_NEUTRAL 504 // 0x0009 only
#define IDR_PORTUGUESE 505      // 0x0016 and 0x0409
#define IDR_ABSENT 599

// String table: ids 1 and 4 as the installer's (German); 17 in a second block
// whose entry 20 is empty; 49 only in English; 64 and 65 hold 600 and 601
// characters; 1 also exists in English.
#define IDS_SECOND_BLOCK 17
#define IDS_EMPTY_ENTRY 20
#define IDS_ENGLISH_ONLY 49
#define IDS_600 64
#define IDS_601 65

#endif  // TESTS_UI_UI_TEST_RESOURCES_H_

// Identifiers of the installer's resources and of its dialog's items, read by
// bramcot.rc and by the code; plain defines, so the resource compiler can
// read them too.
#ifndef INSTALLER_RESOURCE_IDS_H_
#define INSTALLER_RESOURCE_IDS_H_

// Resources.
#define IDI_INSTALLER 101    // icon group of the window
#define IDD_INSTALLER 102    // the dialog
#define IDB_PICTURE 104      // the picture beside the texts
#define IDR_LINK_CURSOR 105  // the link's hover cursor

// Items of the dialog.
#define IDC_EXIT 1000
#define IDC_INSTALL 1003
#define IDC_SEPARATOR 1004
#define IDC_PROGRESS 1005
#define IDC_LINK 1006
#define IDC_TITLE 1007
#define IDC_PROMPT 1008

// Strings.
#define IDS_INSTALL 1
#define IDS_EXIT 2
#define IDS_TITLE 3
#define IDS_PROMPT 4

#endif  // INSTALLER_RESOURCE_IDS_H_

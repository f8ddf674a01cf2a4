/* Resource ids shared by the code and the resource scripts (windres reads this too). */
#ifndef RESOURCE_IDS_H
#define RESOURCE_IDS_H

/* String table: a status code c has its message at entry c + 1. */
#define IDS_STATUS_BASE 1
#define IDS_QUIT_QUESTION 61
#define IDS_EXTRACTING 62
#define IDS_SKIPPING 63
#define IDS_CREATING_GROUPS 64
#define IDS_FINISH 65
#define IDS_NEXT 66
#define IDS_INSTALLED 67
#define IDS_BROWSE_TITLE 68
#define IDS_CONFIRM 69
#define IDS_SUCCESS 71
#define IDS_NOT_REPLACED 72
#define IDS_NEW_VERSION_KEPT 73
#define IDS_MORE_FILES 74
#define IDS_SETUP_STOPPED 75
/* Why setup refuses to start, and the caption of that message. */
#define IDS_SETUP_DAMAGED 80
#define IDS_NO_SHELL_ALLOCATOR 81
#define IDS_SETUP_CANNOT_RUN_CAPTION 82
/* What an installation could not do, named at its end. */
#define IDS_NOT_COMPLETED 120
#define IDS_FAILED_PROGRAM_FOLDER 121
#define IDS_FAILED_SHORTCUT 122
#define IDS_FAILED_REGISTRY 123
#define IDS_FAILED_LOG 124
/* The command line. */
#define IDS_RESTART_NEEDED 125
#define IDS_USAGE 126
#define IDS_BAD_SWITCH 127
/* The associate page of a product that names its own file types and sounds. */
#define IDS_ASSOCIATE_TYPES 128
#define IDS_ASSOCIATE_SOUNDS 129
/* Why a page refuses Next. */
#define IDS_NAME_EMPTY 90
#define IDS_NAME_RESERVED_CHAR 91
#define IDS_NAME_DEVICE 92
#define IDS_NAME_ENDS_WITH_DOT 93
#define IDS_PATH_NOT_ABSOLUTE 94
#define IDS_NO_SUCH_DRIVE 95
#define IDS_NO_COMPONENT 96
#define IDS_PATH_IS_FILE 97

/* Dialog templates. */
#define IDD_PATH_PAGE 104
#define IDD_PROGRAM_FOLDER_PAGE 106
#define IDD_FRAME 108
#define IDD_BROWSE 1079
#define IDD_EXTRACT 2003
#define IDD_RESTART 10206
#define IDD_AGREEMENT_PAGE 10504
#define IDD_TEXT_PAGE 10506
#define IDD_SETUP_TYPE_PAGE 10508
#define IDD_COMPONENT_PAGE 10509
#define IDD_ASSOCIATE_PAGE 10512

/* Pictures (type PICTURE, ui/picture.h), icons and the animation (language-neutral).
   The setup program's own icon has the lowest id, so the shell shows it for the
   executable. */
#define IDI_SETUP 1
#define IDB_WIZARD 110
#define IDI_TYPICAL 111
#define IDI_COMPACT 112
#define IDI_CUSTOM 113
#define IDB_COMPONENTS 114
#define IDB_CHECKS 163
#define IDA_EXTRACT 3001

/* Controls of the frame; Next, Cancel and Back are also the page results. */
#define IDC_NEXT 1
#define IDC_CANCEL 9
#define IDC_BACK 12
#define IDC_PAGE_AREA 901
#define IDC_SEPARATOR 1300

/* Controls of the Extract and restart dialogs. */
#define IDC_STATUS 2103
#define IDC_PROGRESS 2106
#define IDC_ANIMATION 2107
#define IDC_RESTART_TEXT 202
#define IDC_RESTART_NOW 601
#define IDC_RESTART_LATER 602

/* Controls of the pages. */
#define IDC_PAGE_TEXT 4
#define IDC_HEADING 230
#define IDC_ASSOCIATE_YES 1026
#define IDC_ASSOCIATE_NO 1027
#define IDC_TYPE_ICON0 1020
#define IDC_TYPE_ICON1 1021
#define IDC_TYPE_ICON2 1022
#define IDC_TYPE_ICON3 1023
#define IDC_TYPE_DESCRIPTION0 1024
#define IDC_TYPE_DESCRIPTION1 1025
#define IDC_TYPE_DESCRIPTION2 1026
#define IDC_TYPE_DESCRIPTION3 1027
#define IDC_TYPE_RADIO0 1028
#define IDC_TYPE_RADIO1 1029
#define IDC_TYPE_RADIO2 1030
#define IDC_TYPE_RADIO3 1031
#define IDC_COMPONENT_TREE 1014
#define IDC_COMPONENT_DESCRIPTION 1015
#define IDC_FOLDER_PATH 201
#define IDC_BROWSE 31
#define IDC_PROGRAM_FOLDER_TEXT 202
#define IDC_PROGRAM_FOLDER 401
#define IDC_EXISTING_FOLDERS 501

/* Controls of the Browse for Folder dialog (OK and Cancel are IDOK and IDCANCEL). */
#define IDC_BROWSE_STATUS 14147
#define IDC_BROWSE_PATH 1001
#define IDC_BROWSE_TREE 14145

#endif

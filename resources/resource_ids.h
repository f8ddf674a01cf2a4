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

#endif

/* Resource ids, shared by DormixL.rc and the code (plain C: windres reads it). */
#pragma once

#define IDI_PROGRAM 1
#define IDI_ABOUT 2
#define IDI_ERRORICON 3
#define IDB_SMALLLOGO 101
#define IDB_ABOUTBACKGROUND 102

// Resource identifiers of the program, shared by rolemark.rc and the view.
#pragma once

#define IDD_FORM 100   // the form: an empty dialog of the window class TRolemark
#define IDD_SHEET 101  // one page of the tab control: an empty child dialog

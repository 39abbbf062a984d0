// The program's entry: the class library's start-up runs the application object's InitInstance,
// which returns when the main window's modal loop has ended.
#include "platform/user/CWinApp.h"

int main() { return AfxWinMain(); }

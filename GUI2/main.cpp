// quillwiz: the desktop wizard that converts one SQL Server database into
// one Access database.
#include "GUI2/wizard_program.h"

int main(int argc, char** argv) { return quillwiz_main(argc, argv); }

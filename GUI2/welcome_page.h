// welcome_page: the first page (template 103): what the wizard does, and a
// warning about memory.  Header hidden; Next only; help topic 1011.
#pragma once

#include "GUI2/wizard_page.h"

class welcome_page : public wizard_page {
 public:
  welcome_page();
};

// QUILLAGENT: converts a SQL Server database into an Access file as its
// command line says.
#include <iostream>

#include "agent/agent_main.h"

int main(int argc, char** argv) { return agent_main(argc, argv, std::cout, std::cerr); }

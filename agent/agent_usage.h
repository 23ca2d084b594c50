// The agent's usage text, printed for "--help", for no arguments and for
// arguments that match no option.
#pragma once

#include <string>

// The agent's version, shown on the usage text's first line.
constexpr int agent_version_major = 2;
constexpr int agent_version_minor = 1;

// The usage text with the given version, without a final line break (the
// printing adds one).
std::string agent_usage_text(int major = agent_version_major, int minor = agent_version_minor);

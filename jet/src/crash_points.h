// Simulated crashes for the durability tests. Every write the engine makes
// to a database or its journal (and the journal's removal at a commit)
// passes one crash point. A test arms the counter; when it runs out the
// write in progress is cut (torn: only part of its bytes reach the file, or
// none) and every later write, sync and removal of the process fails, as
// if the process had died there. The file holds exactly what a killed
// process would have left.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

// Arms the counter: the `writes`-th write from now (1 = the next) is where
// the run dies; `tear` keeps the first half of that write's bytes, else
// none of them. 0 disarms and revives.
void set_crash_point_for_testing(std::uint64_t writes, bool tear);
// True once the armed crash point has been passed.
bool crashed_for_testing();
// Writes passed since the counter was last armed or cleared (to choose
// crash points within a run's length).
std::uint64_t writes_seen_for_testing();

// Called before each write of `size` bytes: returns how many of them may
// reach the file (size normally, fewer at the crash point). Throws
// jet::Error (io) when the run has already died. After writing the bytes
// it allowed, a caller that got fewer than `size` calls crash_now().
std::size_t crash_point(std::size_t size);
[[noreturn]] void crash_now();

}  // namespace jet

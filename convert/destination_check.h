// The check of a destination file name that both front ends run before a
// conversion (the wizard's database page, the agent's check_dest).
// Thread-safety: safe from any thread.
#pragma once

#include <string>

inline constexpr char destination_msg_folder[] = "Destination name should specify a file, not folder.";
inline constexpr char destination_msg_read_only[] = "Destination name specifies an existing read-only file.";
inline constexpr char destination_msg_no_path[] =
    "Destination path does not exist.\nPlease verify the correct path was given.";

// Returns when `dest` may be written: a file that does not exist yet in an
// existing folder, or an existing writable file (what happens to it is the
// front end's decision).  Otherwise raises a tk_exception of level 1 with
// the first failing check, in this order: `dest` is a folder (or names no
// file at all), a read-only file, or its folder does not exist.
void validate_destination(const std::string& dest);

// Test media generated with the ffmpeg tool at test time and cached in the
// build tree (build/fixtures), plus an ffprobe reader for checking outputs.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Returns the path of fixture `name` (a file name with extension), creating
// it first with `ffmpeg -y <args> <path>` when missing. Fails the calling
// test when ffmpeg fails. Creation is safe when tests run in parallel.
std::string Fixture(const std::string& name, const std::vector<std::string>& ffmpegArgs);

// A fresh empty folder for one test, below the build tree.
std::string TempFolder(const std::string& tag);

// Runs a program (no shell) and returns its exit code; stdout in `out`.
int RunProgram(const std::vector<std::string>& argv, std::string* out = nullptr,
               std::string* err = nullptr);

// `ffprobe -v error -show_entries <entries> -of default=nw=1 <file>` output.
std::string FfprobeEntries(const std::string& file, const std::string& entries,
                           const std::string& selectStreams = "");

}  // namespace testsupport

// `vvc-cli play FILE [--headless] [--start S] [--for S] [--seek-to S]
//                    [--snapshot FILE.bmp] [--volume 0..128] [--mute]`
//
// Plays a file through the player component and prints every state change
// ("state psPlay"), a position line about once a second ("position 1.000")
// and at the end "shown N dropped M position P" (P in seconds, three
// decimals).
// - --headless: SDL's dummy audio driver and a surface in memory; without
//   it a plain SDL window (closing it stops playing).
// - --start S: seek to S seconds first (waiting for the picture there).
// - --for S: stop after S seconds of playing; otherwise play to the end.
// - --seek-to S: seek to S seconds once, after one second of playing (or
//   halfway through --for when that is shorter).
// - --snapshot FILE.bmp: write the picture on screen at the end as BMP.
// - --volume 0..128 (128 unchanged), --mute.
// Exit code 0, 1 when the file cannot be played or the snapshot not
// written, 2 for a usage error.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunPlayCommand(const std::vector<std::string>& args);

}  // namespace cli

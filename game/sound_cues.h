// Sound cues of the game and the classification of the platform they depend on.
#pragma once

#include <windows.h>

#include <cstdint>

class GameTable;

// The platform's classification: 2002 for a Pocket PC 2002-era system, 2000 for
// other version-3 systems, ... and -1 for an unrecognised or unreadable one.
std::int32_t PlatformCode();

// Plays the WAVE resource named by `cue` ("pong", "flip", "coin", "chaching",
// "lose") asynchronously when the table's sounds are on; returns at once.
void PlayCue(const GameTable &table, LPCWSTR cue);

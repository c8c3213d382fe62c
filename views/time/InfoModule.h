#pragma once
// The info module's window: registered with the module windows so that its command
// ("Wave Info", 32797) opens and closes it.

// The info window has no stored place of its own: it opens at the top left of the work area.
constexpr int kInfoFrameLeft = 0;
constexpr int kInfoFrameTop = 0;
constexpr int kInfoFrameWidth = 510;
constexpr int kInfoFrameHeight = 360;

// Call once at start-up, before the profile opens module windows.
void RegisterInfoModule();

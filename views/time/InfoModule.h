#pragma once
// The info module's window: registered with the module windows so that its command
// ("Wave Info", 32797) opens and closes it.

// Call once at start-up, before the profile opens module windows.
void RegisterInfoModule();

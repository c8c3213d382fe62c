#pragma once
// Registers the sonogram window and its command-line entries (--render and --export sonogram).
void RegisterSonoModule();

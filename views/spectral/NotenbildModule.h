#pragma once
// Registers the score window and its command-line entries (--render and --export score).
void RegisterNotenbildModule();

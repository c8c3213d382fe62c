#pragma once
// The 3D reconstruction module joins the program: its window, and `--render reko` and
// `--export reko` on the command line.

void RegisterReconstructionModule();

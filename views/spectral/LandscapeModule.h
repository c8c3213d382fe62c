#pragma once
// The 3D FFT module joins the program: its window, and `--render fft3d` on the command line.

void RegisterFFT3DModule();

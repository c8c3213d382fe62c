#pragma once
// The spectrum module joins the program: its window, and `--render fft`, `--export fft` and
// `--export fftpeaks` on the command line.

void RegisterFftModule();

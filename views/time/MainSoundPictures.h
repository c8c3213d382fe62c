#pragma once
// The panes of the main sound window on the command line: `--render overview` and
// `--render waveform` draw them for the loaded sound, laid out at the picture's size.
void RegisterMainSoundPictures();

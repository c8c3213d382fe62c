#pragma once
// Program-wide state flags, read by many views. They are written on the user-interface
// thread; the capture thread only reads g_bListening and g_bRecording.

#include <atomic>

inline std::atomic<bool> g_bListening{false};
inline std::atomic<bool> g_bRecording{false};
inline std::atomic<bool> g_bPlaying{false};
inline std::atomic<bool> g_bWaveLoaded{false};
inline std::atomic<bool> g_bLoop{false};
inline std::atomic<bool> g_bPlayCopyReduced{false};
inline std::atomic<bool> g_bSelectionSpectrum{false};
inline std::atomic<bool> g_bCancel{false};
inline std::atomic<bool> g_bBusyComputing{false};

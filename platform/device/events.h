// What the layer announces as it happens (input taken, sounds played, timers set
// and killed, redraw requests, lines of text drawn, the program closing, a start
// elsewhere asking for this one) to whoever listens: the --trace writer, the
// recorder, the test library, the services. The layer itself keeps no record, so
// a long game costs no memory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/input.h"

namespace platform {

struct SoundEvent {
  std::u16string name; // "#N" for an ordinal; empty for a sound in memory or none
  HMODULE module = nullptr;
  DWORD flags = 0;
  std::uint64_t atMs = 0; // device clock at the call
};

struct TimerEvent {
  HWND window = nullptr;
  UINT_PTR id = 0;
  UINT periodMs = 0; // 0 when killed
  bool set = false;
  std::uint64_t atMs = 0;
};

// A line of text as GDI lays it out to draw it: the face file and size, and where the
// pen stands for each character, in pixels from the line's start (one place more
// than there are characters: the last is where the line ends). Valid during the call.
struct TextEvent {
  std::string_view faceFile;
  int faceIndex = 0;
  int pixelsPerEm = 0;
  BYTE quality =
      DEFAULT_QUALITY;     // NONANTIALIASED_QUALITY, ANTIALIASED_QUALITY or CLEARTYPE_QUALITY
  bool emboldened = false; // a synthetic bold of a lighter face
  std::u32string_view text;
  std::span<const long> pens;
};

class DeviceListener {
public:
  virtual ~DeviceListener() = default;
  // Input handed to the layer (QueueInput), at the device time it was taken.
  virtual void InputQueued(const InputEvent &, std::uint64_t /*atMs*/) {}
  virtual void SoundPlayed(const SoundEvent &) {}
  virtual void TimerChanged(const TimerEvent &) {}
  virtual void RedrawRequested(HWND) {}
  virtual void TextDrawn(const TextEvent &) {}
  // The program posted WM_QUIT: it is closing.
  virtual void QuitPosted() {}
  // Another start on the profile brought a window of this program to the front: a
  // front end brings its own window forward with it.
  virtual void FrontRequested() {}
  // The shell's key highlight moved, appeared or went: a front end draws it anew
  // over the frame it shows (it is never part of the device's screen).
  virtual void KeyHighlightChanged() {}
};

// Listeners are not owned and outlive device restarts; each removes itself
// before it goes.
void AddDeviceListener(DeviceListener *listener);
void RemoveDeviceListener(DeviceListener *listener);

// Called by the layer where the event happens.
void AnnounceInput(const InputEvent &event, std::uint64_t atMs);
void AnnounceSound(const SoundEvent &event);
void AnnounceTimer(const TimerEvent &event);
void AnnounceRedraw(HWND hwnd);
void AnnounceText(const TextEvent &event);
void AnnounceQuit();
void AnnounceFrontRequest();
void AnnounceKeyHighlight();

} // namespace platform

// One decoded picture held as a bitmap in its own memory DC, and the reading of PNG resources.
#pragma once

#include <windows.h>
#include <imgdecmp.h>

#include <cstdint>

class GameTable;

class ImageAsset {
public:
  ImageAsset() = default;
  virtual ~ImageAsset();
  ImageAsset(const ImageAsset &) = delete;
  ImageAsset &operator=(const ImageAsset &) = delete;

  // Decodes the resource `resourceId` of type `resourceType` (always "PNG") from
  // `instance` into a bitmap of `reference`'s colour depth, selected into a memory
  // DC compatible with `reference`. A loaded asset is released first. Returns 1
  // when the resource was found, 0 when not; a missing resource leaves the new
  // memory DC without a bitmap and `width` and `height` at 0.
  int LoadFromResource(HDC reference, int resourceId, LPCWSTR resourceType, HINSTANCE instance);

  std::int32_t Height() const { return height; }
  std::int32_t Width() const { return width; }
  // The memory DC that holds the bitmap: the source of every blit from this picture.
  HDC SourceDC() const { return memoryDC; }

  // Restores the displaced bitmap, deletes the context and then the bitmap.
  void Release();

  std::int32_t height = 0;
  std::int32_t width = 0;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  // What the decoder is asked for: the picture at its own size (100 percent), shrunk only
  // where it is over 10000 pixels a side.
  std::int32_t maxHeight = 10000;
  std::int32_t maxWidth = 10000;
  std::int32_t scale = 100;
  HDC memoryDC = nullptr;
};

// A read-only view of one resource of the module, alive for one LoadFromResource.
// The bytes belong to the module, so closing the view releases nothing.
class ResourceBlob {
public:
  ResourceBlob(HINSTANCE instance, int resourceId, LPCWSTR resourceType);

  bool HasData() const { return data != nullptr; }

  // How far the decoder has read into the resource's bytes.
  std::uint32_t cursor = 0;
  std::uint32_t size = 0;
  const BYTE *data = nullptr;
  HRSRC resourceInfo = nullptr;
};

// The decoder's read callback: copies up to `maxBytes` of the blob that `blob`
// points to, from its cursor on, and returns how many it copied; 0 at the end of
// the resource, for a null blob and for unreadable bytes.
DWORD CALLBACK ReadResourceChunk(LPSTR buffer, DWORD maxBytes, LPARAM blob);
// The decoder's progress callback: the game has nothing to show while decoding.
void CALLBACK IgnoreProgress(IImageRender *render, BOOL complete, LPARAM context);

// The GameTable's construction step: decodes its eleven pictures from `instance`,
// taking the 192-dpi set when `window`'s DC has 130 dpi or more and the 96-dpi
// set below. A picture that fails to load is left empty and not drawn.
void LoadTableImages(GameTable &table, HWND window, HINSTANCE instance);

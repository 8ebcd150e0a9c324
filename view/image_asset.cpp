// ImageAsset, the resource reader that feeds the image decoder, and the table's eleven pictures.
#include "view/image_asset.h"

#include <cstring>

#include "game/game_table.h"
#include "resource.h"

namespace {

// The decoder pulls the PNG bytes through a buffer of this size.
constexpr DWORD ChunkBytes = 1024;
// All 32 bits set: the decoder keeps the image's own transparency.
constexpr COLORREF NoTransparentOverride = 0xFFFFFFFF;
// From this dpi on the pictures drawn at twice the size are taken.
constexpr int HighResolutionDpi = 130;

struct TableImage {
  ImageAsset GameTable::*member;
  int lowResolutionId;
  int highResolutionId;
};

// Each of the GameTable's pictures, in declared order, with its resource in the 96-dpi and in
// the 192-dpi set.
constexpr TableImage TableImages[] = {
    {&GameTable::portraitTable, IDB_TABLE_PORTRAIT_96, IDB_TABLE_PORTRAIT_192},
    {&GameTable::landscapeTable, IDB_TABLE_LANDSCAPE_96, IDB_TABLE_LANDSCAPE_192},
    {&GameTable::clubsStrip, IDB_CLUBS_96, IDB_CLUBS_192},
    {&GameTable::diamondsStrip, IDB_DIAMONDS_96, IDB_DIAMONDS_192},
    {&GameTable::spadesStrip, IDB_SPADES_96, IDB_SPADES_192},
    {&GameTable::heartsStrip, IDB_HEARTS_96, IDB_HEARTS_192},
    {&GameTable::cardBack, IDB_CARD_BACK_96, IDB_CARD_BACK_192},
    {&GameTable::portraitButtons, IDB_BUTTONS_PORTRAIT_96, IDB_BUTTONS_PORTRAIT_192},
    {&GameTable::landscapeButtons, IDB_BUTTONS_LANDSCAPE_96, IDB_BUTTONS_LANDSCAPE_192},
    {&GameTable::portraitChips, IDB_CHIPS_PORTRAIT_96, IDB_CHIPS_PORTRAIT_192},
    {&GameTable::landscapeChips, IDB_CHIPS_LANDSCAPE_96, IDB_CHIPS_LANDSCAPE_192},
};

} // namespace

ImageAsset::~ImageAsset() { Release(); }

int ImageAsset::LoadFromResource(HDC reference, int resourceId, LPCWSTR resourceType,
                                 HINSTANCE instance) {
  if (memoryDC != nullptr || bitmap != nullptr) {
    Release();
  }
  memoryDC = CreateCompatibleDC(reference);
  BYTE buffer[ChunkBytes] = {};
  ResourceBlob blob(instance, resourceId, resourceType);
  if (!blob.HasData()) {
    return 0;
  }

  blob.cursor = 0;
  DecompressImageInfo info{};
  info.dwSize = sizeof(info);
  info.pbBuffer = buffer;
  info.dwBufferMax = ChunkBytes;
  info.dwBufferCurrent = 0;
  info.phBM = &bitmap;
  info.ppImageRender = nullptr;
  info.iBitDepth = GetDeviceCaps(reference, BITSPIXEL);
  info.lParam = reinterpret_cast<LPARAM>(&blob);
  info.hdc = memoryDC;
  info.iScale = scale;
  info.iMaxWidth = maxWidth;
  info.iMaxHeight = maxHeight;
  info.pfnGetData = ReadResourceChunk;
  info.pfnImageProgress = IgnoreProgress;
  info.crTransparentOverride = NoTransparentOverride;
  // A decoding failure is not reported: it leaves no bitmap, and the cleared
  // description below then gives a width and height of 0.
  DecompressImageIndirect(&info);

  BITMAP description{};
  GetObjectW(bitmap, sizeof(description), &description);
  width = description.bmWidth;
  height = description.bmHeight;
  previousBitmap = SelectObject(memoryDC, bitmap);
  return 1;
}

void ImageAsset::Release() {
  if (memoryDC != nullptr) {
    // A bitmap still selected into a context cannot be deleted.
    if (previousBitmap != nullptr) {
      SelectObject(memoryDC, previousBitmap);
    }
    DeleteDC(memoryDC);
    memoryDC = nullptr;
  }
  if (bitmap != nullptr) {
    DeleteObject(bitmap);
    bitmap = nullptr;
  }
  previousBitmap = nullptr;
  // An empty asset has no size; a stale one would outlive its picture when a
  // reload fails to find its resource.
  width = 0;
  height = 0;
}

ResourceBlob::ResourceBlob(HINSTANCE instance, int resourceId, LPCWSTR resourceType) {
  resourceInfo = FindResourceW(instance, MAKEINTRESOURCEW(resourceId), resourceType);
  if (resourceInfo != nullptr) {
    size = SizeofResource(instance, resourceInfo);
    data = static_cast<const BYTE *>(LockResource(LoadResource(instance, resourceInfo)));
  }
}

DWORD CALLBACK ReadResourceChunk(LPSTR buffer, DWORD maxBytes, LPARAM blob) {
  auto *source = reinterpret_cast<ResourceBlob *>(blob);
  if (source == nullptr) {
    return 0;
  }
  // Compared as a remainder rather than as cursor + maxBytes, which could wrap
  // around 32 bits and let a huge request past the end of the resource.
  if (source->data == nullptr || source->cursor > source->size) {
    return 0;
  }
  const DWORD remaining = source->size - source->cursor;
  const DWORD count = maxBytes < remaining ? maxBytes : remaining;
  const BYTE *from = source->data + source->cursor;
  if (IsBadReadPtr(from, count)) {
    return 0;
  }
  std::memcpy(buffer, from, count);
  source->cursor += count;
  return count;
}

void CALLBACK IgnoreProgress(IImageRender *, BOOL, LPARAM) {}

void LoadTableImages(GameTable &table, HWND window, HINSTANCE instance) {
  HDC reference = GetDC(window);
  const bool highResolution = GetDeviceCaps(reference, LOGPIXELSX) >= HighResolutionDpi;
  for (const TableImage &image : TableImages) {
    (table.*image.member)
        .LoadFromResource(reference,
                          highResolution ? image.highResolutionId : image.lowResolutionId, u"PNG",
                          instance);
  }
  ReleaseDC(window, reference);
}

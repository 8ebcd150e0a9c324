// The image decompression library: DecompressImageIndirect turns PNG data pulled
// through a read callback into a bitmap.
#pragma once

#include "windows.h"

#ifndef RC_INVOKED

// The decoder's rendering object; this layer never hands one out.
struct IImageRender;

// Fills szBuffer with at most dwBufferMax bytes of the image; returns how many,
// 0 at the end of the data.
typedef DWORD(CALLBACK *GETDATAFUNC)(LPSTR szBuffer, DWORD dwBufferMax, LPARAM lParam);
// Told of progress while decoding, and once more with bComplete set at the end.
typedef void(CALLBACK *PROGRESSFUNC)(IImageRender *pRender, BOOL bComplete, LPARAM lParam);

// dwSize is the size of the record as the caller knows it. On the device it is 60
// bytes (pointers are 4 bytes there); here pointers are 8 bytes and the record is
// larger, so any dwSize of at least 60 is accepted: both the device's 60 and
// sizeof(DecompressImageInfo) work.
typedef struct tagDecompressImageInfo {
  DWORD dwSize;
  LPBYTE pbBuffer;              // the caller's buffer that pfnGetData fills
  DWORD dwBufferMax;            // its size: the largest piece asked for
  DWORD dwBufferCurrent;        // not used
  HBITMAP *phBM;                // receives the new bitmap on success
  IImageRender **ppImageRender; // set to null when given
  int iBitDepth;                // the colour depth wanted; bitmaps here are always 32-bit
  LPARAM lParam;                // handed to both callbacks
  HDC hdc;                      // a reference DC, or null
  int iScale;                   // output size in percent: only 100 is taken
  int iMaxWidth;                // a larger image is refused (0: no limit)
  int iMaxHeight;
  GETDATAFUNC pfnGetData;
  PROGRESSFUNC pfnImageProgress;  // may be null
  COLORREF crTransparentOverride; // colour under transparent pixels; CLR_INVALID: black
} DecompressImageInfo;

#define IMGDECMP_MIN_INFO_SIZE 60

// Decodes a PNG. S_OK with the bitmap in *phBM; otherwise E_INVALIDARG for a bad
// record, E_FAIL for corrupt or truncated data, E_OUTOFMEMORY for an image over
// the limits, and then *phBM is left as it was and nothing is leaked.
HRESULT WINAPI DecompressImageIndirect(DecompressImageInfo *pParams);

#endif // RC_INVOKED

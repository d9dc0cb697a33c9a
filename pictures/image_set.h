#pragma once
// The eight petal pictures, decoded once at start into the image table.

#include <windows.h>

#include "simulation/petal_record.h"

#include <cstdint>

// Token of the running GDI+; 0 until StartGdiplus has started it.
extern ULONG_PTR gdiplusToken;

// Starts GDI+ once; later calls do nothing. GDI+ is never shut down: it lives as long as the
// images it decoded.
void StartGdiplus();

// Decodes one encoded picture. Returns the image as a handle, or 0 when the bytes hold no
// picture GDI+ can read; the sizes are written only for a decoded image, and only those that
// are asked for (a null pointer asks for nothing). The image and the memory it reads from
// live until the process ends.
ImageHandle LoadImageFromBytes(const std::uint8_t* data, std::uint32_t size,
                               std::int32_t* width = nullptr, std::int32_t* height = nullptr);

// Starts GDI+ and fills the image table from the built-in pictures, in order.
void LoadImageSet();

#include "app/png_bitmap_win32.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <climits>

namespace velvane {

using Microsoft::WRL::ComPtr;

namespace {

// Far beyond any picture of the widget, and small enough that a row count times the row
// length never overflows the 32-bit sizes WIC and GDI work with.
constexpr UINT kLargestSide = 8192;

}  // namespace

// The Windows Imaging Component reads the PNG from memory and converts it to premultiplied
// BGRA, the layout AlphaBlend wants, straight into the bits of a DIB section. The pictures
// are tiny and decoded when set, so nothing is cached.
PngBitmap decodePng(std::span<const unsigned char> png) {
    PngBitmap result;
    if (png.empty() || png.size() > UINT_MAX) {
        return result;
    }
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory)))) {
        return result;
    }
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()),
                                            static_cast<DWORD>(png.size())))) {
        return result;
    }
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame))) {
        return result;
    }
    ComPtr<IWICBitmapSource> converted;
    if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.Get(), &converted))) {
        return result;
    }
    UINT width = 0;
    UINT height = 0;
    if (FAILED(converted->GetSize(&width, &height)) || width == 0 || height == 0 ||
        width > kLargestSide || height > kLargestSide) {
        return result;
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows, as WIC writes them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    OwnedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        return result;
    }
    const UINT stride = width * 4;
    if (FAILED(converted->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
        return result;
    }
    GdiFlush();
    result.bitmap = std::move(bitmap);
    result.width = static_cast<int>(width);
    result.height = static_cast<int>(height);
    return result;
}

std::span<const unsigned char> rcdataResource(const wchar_t* name) {
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource = FindResourceW(module, name, RT_RCDATA);
    if (resource == nullptr) {
        return {};
    }
    const HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) {
        return {};
    }
    return {static_cast<const unsigned char*>(data), SizeofResource(module, resource)};
}

}  // namespace velvane

// Drawing for a container that shows the control inactive: a picture of the form through
// IViewObject2, and the same picture as a metafile or bitmap through IDataObject.

#include "control/control_object.h"

namespace tavo::control {
namespace {

// Paints the form and its widgets into `dc`, scaled to `bounds`.
void PaintForm(HWND form, HDC dc, const RECT& bounds) {
    RECT client;
    GetClientRect(form, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP picture = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, picture);
    SendMessageW(form, WM_PRINT, reinterpret_cast<WPARAM>(memory),
                 PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND | PRF_NONCLIENT);
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
               memory, 0, 0, client.right, client.bottom, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(picture);
    DeleteDC(memory);
}

} // namespace

STDMETHODIMP TTavoControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawDc,
                                LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!drawDc || !bounds)
        return E_INVALIDARG;
    RECT target{bounds->left, bounds->top, bounds->right, bounds->bottom};
    PaintForm(FormWindow(), drawDc, target);
    return S_OK;
}

STDMETHODIMP TTavoControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                       LOGPALETTE** colours) {
    if (colours)
        *colours = nullptr;
    return S_FALSE;
}

STDMETHODIMP TTavoControl::Freeze(DWORD, LONG, void*, DWORD* freeze) {
    if (freeze)
        *freeze = 0;
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::Unfreeze(DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::SetAdvise(DWORD, DWORD, IAdviseSink* sink) {
    if (sink)
        sink->AddRef();
    if (viewAdvise_)
        viewAdvise_->Release();
    viewAdvise_ = sink;
    return S_OK;
}

STDMETHODIMP TTavoControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects)
        *aspects = DVASPECT_CONTENT;
    if (flags)
        *flags = 0;
    if (sink) {
        *sink = viewAdvise_;
        if (viewAdvise_)
            viewAdvise_->AddRef();
    }
    return S_OK;
}

STDMETHODIMP TTavoControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

// ---- IDataObject: the picture as an enhanced metafile.

STDMETHODIMP TTavoControl::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium)
        return E_POINTER;
    if (format->cfFormat != CF_ENHMETAFILE || !(format->tymed & TYMED_ENHMF))
        return DV_E_FORMATETC;
    if (format->dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    SIZEL extent;
    GetExtent(DVASPECT_CONTENT, &extent);
    RECT frame{0, 0, extent.cx, extent.cy}; // 0.01 mm, as the metafile frame wants
    HDC metafile = CreateEnhMetaFileW(nullptr, nullptr, &frame, L"Tavo Control\0\0");
    if (!metafile)
        return E_OUTOFMEMORY;
    RECT client;
    GetClientRect(FormWindow(), &client);
    PaintForm(FormWindow(), metafile, client);
    medium->tymed = TYMED_ENHMF;
    medium->hEnhMetaFile = CloseEnhMetaFile(metafile);
    medium->pUnkForRelease = nullptr;
    return medium->hEnhMetaFile ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TTavoControl::GetDataHere(FORMATETC*, STGMEDIUM*) {
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::QueryGetData(FORMATETC* format) {
    if (!format)
        return E_POINTER;
    if (format->cfFormat != CF_ENHMETAFILE || !(format->tymed & TYMED_ENHMF))
        return DV_E_FORMATETC;
    return format->dwAspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
}

STDMETHODIMP TTavoControl::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out)
        out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP TTavoControl::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP TTavoControl::EnumFormatEtc(DWORD, IEnumFORMATETC** formats) {
    if (!formats)
        return E_POINTER;
    *formats = nullptr;
    return OLE_S_USEREG; // the caller enumerates the registry's formats
}

STDMETHODIMP TTavoControl::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP TTavoControl::DUnadvise(DWORD) {
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP TTavoControl::EnumDAdvise(IEnumSTATDATA** advises) {
    if (advises)
        *advises = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

} // namespace tavo::control

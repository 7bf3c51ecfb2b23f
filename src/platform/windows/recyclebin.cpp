#include "recyclebin.h"

#include "handlefolder.h"

#include <windows.h>
#include <shobjidl.h>

namespace winfs {

namespace {

// Watches the shell's deletion: it tells, just before, whether the item goes to the Recycle Bin
// or for good, and only the first may go on.
class RecycleOnly : public IFileOperationProgressSink
{
public:
    bool refused = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **out) override
    {
        if (id == __uuidof(IUnknown) || id == __uuidof(IFileOperationProgressSink)) {
            *out = static_cast<IFileOperationProgressSink *>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the stack of the one call that uses it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE PreDeleteItem(DWORD flags, IShellItem *) override
    {
        refused = !(flags & TSF_DELETE_RECYCLE_IF_POSSIBLE);
        return refused ? E_ABORT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostDeleteItem(DWORD, IShellItem *, HRESULT, IShellItem *) override
    {
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE StartOperations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FinishOperations(HRESULT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PreRenameItem(DWORD, IShellItem *, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostRenameItem(DWORD, IShellItem *, LPCWSTR, HRESULT,
                                             IShellItem *) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreMoveItem(DWORD, IShellItem *, IShellItem *, LPCWSTR) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostMoveItem(DWORD, IShellItem *, IShellItem *, LPCWSTR, HRESULT,
                                           IShellItem *) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreCopyItem(DWORD, IShellItem *, IShellItem *, LPCWSTR) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostCopyItem(DWORD, IShellItem *, IShellItem *, LPCWSTR, HRESULT,
                                           IShellItem *) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PreNewItem(DWORD, IShellItem *, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostNewItem(DWORD, IShellItem *, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                                          IShellItem *) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateProgress(UINT, UINT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResetTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PauseTimer() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResumeTimer() override { return S_OK; }
};

template <typename T>
void release(T *&object)
{
    if (object)
        object->Release();
    object = nullptr;
}

// Only a fixed disk has a Recycle Bin the shell can be trusted with; elsewhere it deletes.
bool onFixedDisk(const std::wstring &path)
{
    if (path.size() < 3 || path[1] != L':' || (path[2] != L'\\' && path[2] != L'/'))
        return false; // a share (\\server\share) or a device path
    const std::wstring root = path.substr(0, 2) + L"\\";
    return GetDriveTypeW(root.c_str()) == DRIVE_FIXED;
}

} // namespace

unsigned long moveToRecycleBin(const std::wstring &path)
{
    if (!onFixedDisk(path))
        return kNoRecycleBin;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    IFileOperation *operation = nullptr;
    IShellItem *item = nullptr;
    RecycleOnly watch;
    DWORD cookie = 0;
    HRESULT result = CoCreateInstance(__uuidof(FileOperation), nullptr, CLSCTX_ALL,
                                      IID_PPV_ARGS(&operation));
    if (SUCCEEDED(result)) {
        result = operation->SetOperationFlags(FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT |
                                              FOF_NOERRORUI | FOFX_RECYCLEONDELETE |
                                              FOFX_EARLYFAILURE);
    }
    if (SUCCEEDED(result))
        result = SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(&item));
    if (SUCCEEDED(result))
        result = operation->Advise(&watch, &cookie);
    if (SUCCEEDED(result)) {
        result = operation->DeleteItem(item, nullptr);
        if (SUCCEEDED(result))
            result = operation->PerformOperations();
        operation->Unadvise(cookie);
    }
    release(item);
    release(operation);
    if (SUCCEEDED(com))
        CoUninitialize();
    if (watch.refused)
        return kNoRecycleBin;
    if (FAILED(result))
        return HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                          : static_cast<unsigned long>(result);
    return 0;
}

} // namespace winfs

#include "liveregion.h"

namespace {

// UI Automation's LiveSetting property and its value Polite, as oleacc's annotations name them.
constexpr GUID kLiveSettingProperty{ 0xc12bcd8e, 0x2a8e, 0x4950, { 0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb } };
constexpr LONG kPolite = 1;
// oleacc's annotation service. Named here rather than taken from libuuid, whose one object of every GUID would add
// 40 KB to the program.
constexpr CLSID kAccPropServices{ 0xb5f8350b, 0x0548, 0x48b1, { 0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7 } };
constexpr IID kIAccPropServices{ 0x6e26e776, 0x04f0, 0x495d, { 0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69 } };

} // namespace

LiveRegion::LiveRegion(HWND control) : m_control(control)
{
    // The window's thread is a single-threaded apartment, as a window's must be; RPC_E_CHANGED_MODE leaves it as
    // someone else made it.
    m_apartment = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    IAccPropServices *services = nullptr;
    if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                                reinterpret_cast<void **>(&services))))
        return;
    m_services.reset(services);
    VARIANT polite{};
    polite.vt = VT_I4;
    polite.lVal = kPolite;
    m_services->SetHwndProp(control, DWORD(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
}

LiveRegion::~LiveRegion()
{
    if (m_services)
        m_services->ClearHwndProps(m_control, DWORD(OBJID_CLIENT), CHILDID_SELF, &kLiveSettingProperty, 1);
    m_services.reset();
    if (m_apartment)
        CoUninitialize();
}

void LiveRegion::changed() const
{
    NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, m_control, OBJID_CLIENT, CHILDID_SELF);
}

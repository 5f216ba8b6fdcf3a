#pragma once

#include <windows.h>

#include <oleacc.h>

#include <memory>

// A control whose changes screen readers speak by themselves, wherever the focus is: a polite live region for UI
// Automation. Narrator and NVDA read its name, the control's text, when told that it changed; polite, so that they
// finish what they are saying first.
//
// The live setting is an annotation of oleacc's; where the system offers none (Wine's oleacc answers E_NOTIMPL), the
// control stays what it was and its changes are still announced, which a screen reader may or may not take up.
class LiveRegion {
public:
    explicit LiveRegion(HWND control);
    ~LiveRegion();
    LiveRegion(const LiveRegion &) = delete;
    LiveRegion &operator=(const LiveRegion &) = delete;

    // Tells screen readers that the control has changed, also when its text is the same as before: the user asked
    // again and hears the answer again.
    void changed() const;

private:
    struct Releaser {
        void operator()(IUnknown *object) const { object->Release(); }
    };

    HWND m_control;
    bool m_apartment = false; // this object entered COM on the window's thread and leaves it again
    std::unique_ptr<IAccPropServices, Releaser> m_services;
};

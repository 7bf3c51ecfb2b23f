#pragma once

// The application-wide mouse pointer: busy (hourglass) or normal. A state, not a stack:
// setting the same state twice changes nothing.
class BusyPointer
{
public:
    BusyPointer() = default;
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
    ~BusyPointer();

    void setBusy();
    void setNormal();
    bool isBusy() const { return m_busy; }

private:
    bool m_busy = false;
};

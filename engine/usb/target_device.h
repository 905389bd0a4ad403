// Finding and opening the chip that chip mode drives: the first supported device of the
// whole system, in bus and device order.
//
// libusb-0.1 keeps its bus list in unguarded process-wide state, so every find and open
// (and close) runs under one bus lock. A TargetDevice also holds its device's own lock
// from open to close: every run opens the same first device, and two procedures must
// never drive one chip at the same time. A procedure made of several opens holds a
// DeviceSession across them; the device lock is recursive, so its own opens pass.
// Each opened TargetDevice carries the ids of the device it opened; OpenedDeviceIds only
// records the last open for whoever displays it.
#pragma once

#include "engine/usb/supported_devices.h"

#include <usb.h>

#include <atomic>
#include <memory>
#include <mutex>

// The ids of the device opened last, by any thread.
class LastOpenedIds {
public:
    UsbDeviceIds Get() const;
    void Set(UsbDeviceIds ids);

private:
    std::atomic<DWORD> packed_{0};
};
extern LastOpenedIds OpenedDeviceIds;

// Walks usb_get_busses() for the first supported device and stores its ids in
// OpenedDeviceIds (0/0 when there is none). The caller holds the bus lock and has run
// usb_init, usb_find_busses and usb_find_devices.
struct usb_device* OpenTargetDevice(UsbDeviceIds& ids);

// The supported devices on the bus now.
int CountSupportedDevices();

class TargetDevice {
public:
    // Finds and opens the first supported device; null when there is none or it cannot be opened.
    static std::unique_ptr<TargetDevice> Open();
    ~TargetDevice();
    TargetDevice(const TargetDevice&) = delete;
    TargetDevice& operator=(const TargetDevice&) = delete;

    usb_dev_handle* handle() const { return handle_; }
    UsbDeviceIds ids() const { return ids_; }
    ChipModel model() const { return ChipModelOf(ids_.idProduct); }

private:
    TargetDevice(usb_dev_handle* handle, UsbDeviceIds ids, std::unique_lock<std::recursive_mutex> deviceLock);

    usb_dev_handle* handle_;
    UsbDeviceIds ids_;
    std::unique_lock<std::recursive_mutex> deviceLock_;
};

// Holds the lock of the first supported device, without opening it, while it lives: the
// opens of this thread meanwhile pass, those of other threads wait. Holds nothing when
// there is no supported device.
class DeviceSession {
public:
    DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

private:
    std::unique_lock<std::recursive_mutex> deviceLock_;
};

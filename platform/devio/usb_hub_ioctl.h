// The USB hub driver's control codes and their records, served on handles opened on a
// hub ("\\?\usb#root_hub20#...#{f18a0e88-...}", or "\\.\" and the name the hub driver
// gives) and on host controllers (root hub name). Records are byte-packed, as the hub
// driver lays them out; wide names are UTF-16.
#pragma once

#include "platform/base/wintypes.h"

#include <cstddef>

constexpr DWORD IOCTL_USB_GET_ROOT_HUB_NAME = 0x220408; // on a host controller
constexpr DWORD IOCTL_USB_GET_NODE_INFORMATION = 0x220408; // on a hub
constexpr DWORD IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION = 0x220410;
constexpr DWORD IOCTL_USB_GET_NODE_CONNECTION_NAME = 0x220414;
constexpr DWORD IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME = 0x220420;
constexpr DWORD IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX = 0x220448;

constexpr BYTE USB_CONFIGURATION_DESCRIPTOR_TYPE = 2;
constexpr BYTE USB_STRING_DESCRIPTOR_TYPE = 3;

enum : DWORD { NoDeviceConnected = 0, DeviceConnected = 1 };
enum : UCHAR { UsbLowSpeed = 0, UsbFullSpeed = 1, UsbHighSpeed = 2, UsbSuperSpeed = 3 };

#pragma pack(push, 1)

struct USB_DEVICE_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT bcdUSB;
    UCHAR bDeviceClass;
    UCHAR bDeviceSubClass;
    UCHAR bDeviceProtocol;
    UCHAR bMaxPacketSize0;
    USHORT idVendor;
    USHORT idProduct;
    USHORT bcdDevice;
    UCHAR iManufacturer;
    UCHAR iProduct;
    UCHAR iSerialNumber;
    UCHAR bNumConfigurations;
};

struct USB_ENDPOINT_DESCRIPTOR {
    UCHAR bLength;
    UCHAR bDescriptorType;
    UCHAR bEndpointAddress;
    UCHAR bmAttributes;
    USHORT wMaxPacketSize;
    UCHAR bInterval;
};

struct USB_PIPE_INFO {
    USB_ENDPOINT_DESCRIPTOR EndpointDescriptor;
    ULONG ScheduleOffset;
};

struct USB_NODE_CONNECTION_INFORMATION_EX {
    ULONG ConnectionIndex;
    USB_DEVICE_DESCRIPTOR DeviceDescriptor;
    UCHAR CurrentConfigurationValue;
    UCHAR Speed;
    BOOLEAN DeviceIsHub;
    USHORT DeviceAddress;
    ULONG NumberOfOpenPipes;
    DWORD ConnectionStatus;
    USB_PIPE_INFO PipeList[1];
};

struct USB_HUB_DESCRIPTOR {
    UCHAR bDescriptorLength;
    UCHAR bDescriptorType;
    UCHAR bNumberOfPorts;
    USHORT wHubCharacteristics;
    UCHAR bPowerOnToPowerGood;
    UCHAR bHubControlCurrent;
    UCHAR bRemoveAndPowerMask[64];
};

struct USB_HUB_INFORMATION {
    USB_HUB_DESCRIPTOR HubDescriptor;
    BOOLEAN HubIsBusPowered;
};

struct USB_NODE_INFORMATION {
    DWORD NodeType; // 0: hub
    USB_HUB_INFORMATION HubInformation;
};

struct USB_SETUP_PACKET {
    UCHAR bmRequest;
    UCHAR bRequest;
    USHORT wValue;
    USHORT wIndex;
    USHORT wLength;
};

struct USB_DESCRIPTOR_REQUEST {
    ULONG ConnectionIndex;
    USB_SETUP_PACKET SetupPacket;
    UCHAR Data[1];
};

struct USB_NODE_CONNECTION_NAME {
    ULONG ConnectionIndex;
    ULONG ActualLength; // bytes of the whole record the full name needs
    WCHAR NodeName[1];
};

struct USB_NODE_CONNECTION_DRIVERKEY_NAME {
    ULONG ConnectionIndex;
    ULONG ActualLength;
    WCHAR DriverKeyName[1];
};

struct USB_ROOT_HUB_NAME {
    ULONG ActualLength;
    WCHAR RootHubName[1];
};

#pragma pack(pop)

static_assert(sizeof(USB_DEVICE_DESCRIPTOR) == 18 && sizeof(USB_PIPE_INFO) == 11);
static_assert(offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList) == 35);
static_assert(sizeof(USB_NODE_INFORMATION) == 76);
static_assert(offsetof(USB_DESCRIPTOR_REQUEST, Data) == 12);
static_assert(offsetof(USB_NODE_CONNECTION_NAME, NodeName) == 8 && offsetof(USB_ROOT_HUB_NAME, RootHubName) == 4);

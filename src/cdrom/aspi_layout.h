#pragma once

// The ASPI request blocks, shared by the ASPI back end and the project's
// virtual drive. Packed as the ASPI interface defines them; on 64-bit builds
// each address field is pointer-sized and every later field moves back by the
// difference (the execute request grows from 80 to 88 bytes).

#include <cstddef>
#include <cstdint>

namespace kalvex::aspi {

// SRB_Cmd
inline constexpr std::uint8_t SC_HA_INQUIRY = 0;
inline constexpr std::uint8_t SC_GET_DEV_TYPE = 1;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 2;
inline constexpr std::uint8_t SC_GET_DISK_INFO = 6;

// SRB_Status
inline constexpr std::uint8_t SS_PENDING = 0;
inline constexpr std::uint8_t SS_COMP = 1;
inline constexpr std::uint8_t SS_ERR = 4;
inline constexpr std::uint8_t SS_INVALID_CMD = 0x80;
inline constexpr std::uint8_t SS_INVALID_HA = 0x81;
inline constexpr std::uint8_t SS_NO_DEVICE = 0x82;

// SRB_Flags
inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_DIR_OUT = 0x10;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;

inline constexpr std::uint8_t kDeviceTypeCdRom = 5;
inline constexpr std::uint8_t kSenseLength = 14;

#pragma pack(push, 1)

struct SRB_GDEVBlock {
    std::uint8_t SRB_Cmd;
    std::uint8_t SRB_Status;
    std::uint8_t SRB_HaId;
    std::uint8_t SRB_Flags;
    std::uint32_t SRB_Hdr_Rsvd;
    std::uint8_t SRB_Target;
    std::uint8_t SRB_Lun;
    std::uint8_t SRB_DeviceType;
    std::uint8_t SRB_Rsvd1;
};

struct SRB_GetDiskInfo {
    std::uint8_t SRB_Cmd;
    std::uint8_t SRB_Status;
    std::uint8_t SRB_HaId;
    std::uint8_t SRB_Flags;
    std::uint32_t SRB_Hdr_Rsvd;
    std::uint8_t SRB_Target;
    std::uint8_t SRB_Lun;
    std::uint8_t SRB_DriveFlags;
    std::uint8_t SRB_Int13HDriveInfo;  // drive number, 0 = A
    std::uint8_t SRB_Heads;
    std::uint8_t SRB_Sectors;
    std::uint8_t SRB_Rsvd1[10];
};

struct SRB_ExecSCSICmd {
    std::uint8_t SRB_Cmd;
    std::uint8_t SRB_Status;
    std::uint8_t SRB_HaId;
    std::uint8_t SRB_Flags;
    std::uint32_t SRB_Hdr_Rsvd;
    std::uint8_t SRB_Target;
    std::uint8_t SRB_Lun;
    std::uint16_t SRB_Rsvd1;
    std::uint32_t SRB_BufLen;
    std::uintptr_t SRB_BufPointer;
    std::uint8_t SRB_SenseLen;
    std::uint8_t SRB_CDBLen;
    std::uint8_t SRB_HaStat;
    std::uint8_t SRB_TargStat;
    std::uintptr_t SRB_PostProc;  // the event: an eventfd descriptor outside Windows
    std::uint8_t SRB_Rsvd2[20];
    std::uint8_t CDBByte[16];
    std::uint8_t SenseArea[16];
};

#pragma pack(pop)

inline constexpr size_t kPointerGrowth = sizeof(void*) - 4;
static_assert(offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10);
static_assert(offsetof(SRB_GetDiskInfo, SRB_Int13HDriveInfo) == 11);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_TargStat) == 23 + kPointerGrowth);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24 + kPointerGrowth);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 48 + 2 * kPointerGrowth);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64 + 2 * kPointerGrowth);
static_assert(sizeof(SRB_ExecSCSICmd) == 80 + 2 * kPointerGrowth);

// Every request is cleared to this size before it is filled.
inline constexpr size_t kRequestSize = sizeof(SRB_ExecSCSICmd);

}  // namespace kalvex::aspi

#pragma once

#include <QString>

#include <cstdint>
#include <memory>

// Byte counts of one volume as the free-space query reports them.
struct CSpaceInfo {
  std::uint64_t Available = 0;  // to the current user
  std::uint64_t Total = 0;
  std::uint64_t Free = 0;
};

// What the disk and folder utilities ask of the machine: its mount table,
// its devices, the user's folders and the space on a volume. The system's
// answers come from /proc, /sys, statvfs and the XDG folders; tests (and
// the page tests) install their own machine with SetDiskEnvironment.
class CDiskEnvironment {
public:
  virtual ~CDiskEnvironment() = default;

  // The text of the mount table in the format of /proc/self/mounts.
  virtual QString ReadMountTable() const = 0;
  // True for a device the system marks removable (a USB stick, a card).
  virtual bool IsRemovableDevice(const QString& device) const = 0;
  // The number of the file system mounted at a mount point (stat's st_dev),
  // the same for every bind mount of it; 0 when unknown.
  virtual std::uint64_t DeviceNumberOf(const QString& mountPoint) const = 0;
  virtual QString HomeFolder() const = 0;
  // True when the folder exists and the current user may create in it.
  virtual bool IsWritableFolder(const QString& folder) const = 0;
  virtual bool IsFolder(const QString& path) const = 0;
  // The space on the volume of an absolute path; a path that does not
  // exist yet is measured at its nearest existing parent.
  virtual bool QuerySpace(const QString& path, CSpaceInfo& space) const = 0;
  // The XDG documents and desktop folders; either may be empty.
  virtual QString DocumentsLocation() const = 0;
  virtual QString DesktopLocation() const = 0;
};

class CSystemDiskEnvironment : public CDiskEnvironment {
public:
  QString ReadMountTable() const override;
  bool IsRemovableDevice(const QString& device) const override;
  std::uint64_t DeviceNumberOf(const QString& mountPoint) const override;
  QString HomeFolder() const override;
  bool IsWritableFolder(const QString& folder) const override;
  bool IsFolder(const QString& path) const override;
  bool QuerySpace(const QString& path, CSpaceInfo& space) const override;
  QString DocumentsLocation() const override;
  QString DesktopLocation() const override;
};

// The machine the utilities ask; the system's unless replaced. Setting
// nullptr brings the system's back. Returns the one replaced.
std::shared_ptr<const CDiskEnvironment> GetDiskEnvironment();
std::shared_ptr<const CDiskEnvironment> SetDiskEnvironment(std::shared_ptr<const CDiskEnvironment> environment);

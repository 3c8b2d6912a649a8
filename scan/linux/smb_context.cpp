#include "smb_context.h"

#include <libsmbclient.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <string_view>

namespace veldaro::linux_net {
namespace {

// Browse lists (NetServerEnum2) only exist in SMB1: with SMB2/3 as maximum the
// root lists nothing and a workgroup cannot be opened at all.
constexpr const char kBrowseProtocol[] = "NT1";

// A browse request needs no account; hosts map "guest" to their guest account,
// and libsmbclient falls back to an anonymous session where that is refused.
constexpr const char kGuestUser[] = "guest";

// Names on the wire are in the sender's OEM code page, code page 936 for a
// Chinese Windows; libsmbclient's default (CP850) garbles them. Loaded over
// whatever configuration the library already read (the system's smb.conf or
// ~/.smb/smb.conf), which smbc_setConfiguration keeps rather than resetting.
constexpr std::string_view kCharsetOverlay =
    "[global]\n"
    "\tdos charset = CP936\n";

// Owns a file descriptor.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }

 private:
  int fd_;
};

// Hands the overlay to the library through an anonymous in-memory file, so
// nothing is written to the user's disk. False when that is not possible; the
// context then still works, only with the library's own dos charset.
bool LoadCharsetOverlay(SMBCCTX* context) {
  const FileDescriptor fd(memfd_create("veldaro-smb.conf", MFD_CLOEXEC));
  if (fd.get() < 0) return false;
  std::size_t written = 0;
  while (written < kCharsetOverlay.size()) {
    const ssize_t n = write(fd.get(), kCharsetOverlay.data() + written, kCharsetOverlay.size() - written);
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd.get());
  return smbc_setConfiguration(context, path.c_str()) == 0;
}

// Called by the library when a server wants credentials: keep the guest user
// it was given and an empty password.
void GuestAuthentication(const char* /*server*/, const char* /*share*/, char* /*workgroup*/,
                         int /*workgroup_size*/, char* user, int user_size, char* password,
                         int password_size) {
  if (user_size > 0 && user[0] == '\0') {
    std::strncpy(user, kGuestUser, static_cast<std::size_t>(user_size) - 1);
    user[user_size - 1] = '\0';
  }
  if (password_size > 0) password[0] = '\0';
}

}  // namespace

std::mutex& SmbLibraryMutex() {
  static std::mutex mutex;
  return mutex;
}

std::unique_ptr<SmbContext> SmbContext::Create() {
  SMBCCTX* context = smbc_new_context();
  if (context == nullptr) return nullptr;

  // The library's notes go to stderr, never into anybody's stdout.
  smbc_setOptionDebugToStderr(context, 1);
  smbc_setDebug(context, 0);
  smbc_setUser(context, kGuestUser);
  smbc_setFunctionAuthData(context, GuestAuthentication);
  LoadCharsetOverlay(context);

  if (smbc_init_context(context) == nullptr) {
    smbc_free_context(context, 1);
    return nullptr;
  }
  // Only takes effect on an initialised context.
  if (!smbc_setOptionProtocols(context, kBrowseProtocol, kBrowseProtocol)) {
    smbc_free_context(context, 1);
    return nullptr;
  }
  return std::unique_ptr<SmbContext>(new SmbContext(context));
}

SmbContext::~SmbContext() { smbc_free_context(context_, 1); }

SmbContext* SmbContext::Shared() {
  static SmbContext* shared = nullptr;
  if (shared == nullptr) shared = Create().release();
  return shared;
}

}  // namespace veldaro::linux_net

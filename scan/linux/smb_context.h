#pragma once

#include <memory>
#include <mutex>

// libsmbclient's context type, without pulling its header into every user.
struct _SMBCCTX;

namespace veldaro::linux_net {

// libsmbclient keeps process-wide state (its configuration, talloc pools, the
// protocol choice) and crashes when two contexts are used by two threads at
// once; the build we link against exports no thread hooks. Every call into the
// library, on any context, holds this one lock.
std::mutex& SmbLibraryMutex();

// An initialised libsmbclient context set up for browsing the neighbourhood:
// SMB1 (browse lists exist only there), guest credentials, and code page 936
// as the charset of names on the wire. Freed on destruction.
class SmbContext {
 public:
  // Null when the library cannot make a context. Call with SmbLibraryMutex held.
  static std::unique_ptr<SmbContext> Create();

  // Call with SmbLibraryMutex held: freeing a context touches shared state.
  ~SmbContext();
  SmbContext(const SmbContext&) = delete;
  SmbContext& operator=(const SmbContext&) = delete;

  _SMBCCTX* get() const { return context_; }

  // The one context of the process, made on first use and never freed: the
  // program may end while scan threads are inside the library, and the library
  // loses memory with every context it frees. Null while it cannot be made (a
  // later call tries again). Call with SmbLibraryMutex held.
  static SmbContext* Shared();

 private:
  explicit SmbContext(_SMBCCTX* context) : context_(context) {}

  _SMBCCTX* context_;
};

}  // namespace veldaro::linux_net

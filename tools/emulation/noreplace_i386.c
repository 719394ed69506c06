/*
 * Preloaded into Wine's 32-bit processes when they run under qemu-user.
 *
 * Wine reserves the 32-bit address space with MAP_FIXED_NOREPLACE and halves
 * a request until it fits. qemu-user 7.2 takes that flag as a plain hint and
 * answers with another address; Wine then keeps that stray area, so the upper
 * half fills up and every later request fails down to 64 KB pieces, some
 * 66,000 calls and 40-50 s of emulated start per process. Here the flag is
 * done as the kernel does it: the area at the hint, or EEXIST and nothing.
 *
 * Built without the C library's start files (no 32-bit development files are
 * needed); mmap64, munmap and unsetenv come from the process's own C library.
 */
#include <stddef.h>

#define RTLD_NEXT ((void *)-1l)
#define FIXED 0x10
#define FIXED_NOREPLACE 0x100000
#define EEXIST_ERRNO 17

extern void *dlsym(void *handle, const char *name);
extern int *__errno_location(void);
extern int unsetenv(const char *name);

typedef void *(*MapFunction)(void *, size_t, int, int, int, long long);
typedef int (*UnmapFunction)(void *, size_t);

void *mmap64(void *addr, size_t length, int prot, int flags, int fd, long long offset) {
  static MapFunction map;
  static UnmapFunction unmap;
  if (!map) map = (MapFunction)dlsym(RTLD_NEXT, "mmap64");
  if (!unmap) unmap = (UnmapFunction)dlsym(RTLD_NEXT, "munmap");
  if (!(flags & FIXED_NOREPLACE)) return map(addr, length, prot, flags, fd, offset);
  /* With or without MAP_FIXED beside it, the flag never replaces a mapping. */
  void *got = map(addr, length, prot, flags & ~(FIXED_NOREPLACE | FIXED), fd, offset);
  if (got == (void *)-1 || got == addr) return got;
  unmap(got, length);
  *__errno_location() = EEXIST_ERRNO;
  return (void *)-1;
}

/* The 32-bit offset is unsigned to the kernel: 2 GB and more stay positive. */
void *mmap(void *addr, size_t length, int prot, int flags, int fd, long offset) {
  return mmap64(addr, length, prot, flags, fd, (long long)(unsigned long)offset);
}

/* The emulator sets LD_PRELOAD for each 32-bit process it starts; the 64-bit
 * processes Wine starts from here would only complain about it. */
__attribute__((constructor)) static void ForgetPreload(void) { unsetenv("LD_PRELOAD"); }

/* The archive library's C interface: the thirteen entry points the program calls and the
 * member record they fill. Kept in C so that any library exporting these names, with this
 * calling convention and this record layout, can stand in for ours. Three more entry points,
 * UnlhaGetMemberDetail, UnlhaGetMemberPath and UnlhaSetKeepGoing, are optional: the program
 * looks them up by name and does without them. */
#ifndef GREBEWICK_UNLHA32_UNLHA32_H_
#define GREBEWICK_UNLHA32_UNLHA32_H_

#include <stdint.h>

#ifdef _WIN32
#define UNLHA_API __stdcall
#define UNLHA_EXPORT __declspec(dllexport)
#else
#define UNLHA_API
#define UNLHA_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* UNLHA_HWND; /* owner window; the library may ignore it */
typedef void* UNLHA_HARC; /* an open archive; NULL when opening failed */
typedef int32_t UNLHA_BOOL;

#define UNLHA_FNAME_MAX32 512

/* One member, as UnlhaFindFirst / UnlhaFindNext fill it. Byte layout (little-endian,
 * no padding, 558 bytes; callers hand the library a 560-byte buffer):
 *   0 original size  4 packed size  8 CRC  12 flags  16 OS type  20 ratio (per mille)
 *  22 MS-DOS date   24 MS-DOS time  26 stored path (513, NUL-terminated)  539 reserved (3)
 * 542 attribute text (8)  550 method text (8) */
#pragma pack(push, 1)
typedef struct UnlhaMemberInfo {
  uint32_t dwOriginalSize;
  uint32_t dwCompressedSize;
  uint32_t dwCRC;
  uint32_t uFlag;
  uint32_t uOSType;
  uint16_t wRatio;
  uint16_t wDate;
  uint16_t wTime;
  char szFileName[UNLHA_FNAME_MAX32 + 1];
  char dummy1[3];
  char szAttribute[8];
  char szMode[8];
} UnlhaMemberInfo;
#pragma pack(pop)

#define UNLHA_MEMBER_INFO_BUFFER_SIZE 560

/* What the member record cannot hold, for UnlhaGetMemberDetail. Byte layout (little-endian,
 * 32 bytes): 0 structure size (the caller's)  4 header level  8 modification time
 * 16 original size  24 packed size */
typedef struct UnlhaMemberDetail {
  uint32_t dwStructSize;    /* set by the caller to the size it hands over */
  int32_t iHeaderLevel;     /* 0 to 3 */
  int64_t llWriteTime;      /* levels 2 and 3: the stored Unix seconds (UTC); otherwise 0 */
  uint64_t ullOriginalSize; /* full 64-bit sizes */
  uint64_t ullCompressedSize;
} UnlhaMemberDetail;

int UNLHA_API Unlha(UNLHA_HWND hwnd, char* szCmdLine, char* szOutput, uint32_t dwSize);
uint16_t UNLHA_API UnlhaGetVersion(void);
UNLHA_BOOL UNLHA_API UnlhaGetRunning(void);
UNLHA_BOOL UNLHA_API UnlhaGetBackGroundMode(void);
UNLHA_BOOL UNLHA_API UnlhaSetBackGroundMode(UNLHA_BOOL bBackGroundMode);
UNLHA_BOOL UNLHA_API UnlhaGetCursorMode(void);
UNLHA_BOOL UNLHA_API UnlhaSetCursorMode(UNLHA_BOOL bCursorMode);
UNLHA_BOOL UNLHA_API UnlhaCheckArchive(const char* szFileName, int32_t iMode);
UNLHA_BOOL UNLHA_API UnlhaConfigDialog(UNLHA_HWND hwnd, char* szOptionBuffer, int32_t iMode);
UNLHA_HARC UNLHA_API UnlhaOpenArchive(UNLHA_HWND hwnd, const char* szFileName, uint32_t dwMode);
int UNLHA_API UnlhaFindFirst(UNLHA_HARC harc, const char* szWildName, UnlhaMemberInfo* lpSubInfo);
int UNLHA_API UnlhaFindNext(UNLHA_HARC harc, UnlhaMemberInfo* lpSubInfo);
int UNLHA_API UnlhaCloseArchive(UNLHA_HARC harc);
/* Optional. Fills `lpDetail` for the member that the last UnlhaFindFirst or UnlhaFindNext on
 * `harc` returned. Returns 0 when filled; 0x8018 when `harc` is not open; -1, filling nothing,
 * when that call found no member or `lpDetail` is NULL or its size is below 32. */
int UNLHA_API UnlhaGetMemberDetail(UNLHA_HARC harc, UnlhaMemberDetail* lpDetail);
/* Optional. The whole stored path of the member that the last UnlhaFindFirst or UnlhaFindNext
 * on `harc` returned, as szFileName gives it but never cut at UNLHA_FNAME_MAX32 bytes. Returns
 * 0 when the path and its NUL were stored in `szPath` (`dwSize` bytes); -1, storing nothing,
 * when that call found no member, `szPath` is NULL or the path does not fit; 0x8018 when
 * `harc` is not open. */
int UNLHA_API UnlhaGetMemberPath(UNLHA_HARC harc, char* szPath, uint32_t dwSize);

/* Optional. A function that the t, x and e commands of Unlha call, from the calling thread,
 * before each member and between pieces of its data (at least once per 512 KiB decoded).
 * When it returns 0 the command stops: the file being written is removed, nothing more is
 * written, and Unlha returns 0x8020. NULL (the start) calls nothing. Returns 0. */
typedef UNLHA_BOOL(UNLHA_API* UNLHA_KEEP_GOING)(void* lpContext);
int UNLHA_API UnlhaSetKeepGoing(UNLHA_KEEP_GOING lpKeepGoing, void* lpContext);

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(UnlhaMemberInfo) == 558, "member record is 558 bytes");
static_assert(__builtin_offsetof(UnlhaMemberInfo, dwOriginalSize) == 0);
static_assert(__builtin_offsetof(UnlhaMemberInfo, dwCompressedSize) == 4);
static_assert(__builtin_offsetof(UnlhaMemberInfo, dwCRC) == 8);
static_assert(__builtin_offsetof(UnlhaMemberInfo, uFlag) == 12);
static_assert(__builtin_offsetof(UnlhaMemberInfo, uOSType) == 16);
static_assert(__builtin_offsetof(UnlhaMemberInfo, wRatio) == 20);
static_assert(__builtin_offsetof(UnlhaMemberInfo, wDate) == 22);
static_assert(__builtin_offsetof(UnlhaMemberInfo, wTime) == 24);
static_assert(__builtin_offsetof(UnlhaMemberInfo, szFileName) == 26);
static_assert(__builtin_offsetof(UnlhaMemberInfo, dummy1) == 539);
static_assert(__builtin_offsetof(UnlhaMemberInfo, szAttribute) == 542);
static_assert(__builtin_offsetof(UnlhaMemberInfo, szMode) == 550);
static_assert(sizeof(UnlhaMemberDetail) == 32, "member detail is 32 bytes");
static_assert(__builtin_offsetof(UnlhaMemberDetail, iHeaderLevel) == 4);
static_assert(__builtin_offsetof(UnlhaMemberDetail, llWriteTime) == 8);
static_assert(__builtin_offsetof(UnlhaMemberDetail, ullOriginalSize) == 16);
static_assert(__builtin_offsetof(UnlhaMemberDetail, ullCompressedSize) == 24);
#endif

#endif /* GREBEWICK_UNLHA32_UNLHA32_H_ */

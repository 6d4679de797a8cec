// The internal result of every operation of the library.
//
// The values are fixed: they are compared by number and some reach hosts in
// logs. Translation to HRESULT happens once, at the exported boundary.
#ifndef KW5_KW5FILERET_H
#define KW5_KW5FILERET_H

// A fixed underlying type: any int is a valid value (unknown ones translate to
// E_FAIL), not only those that fit the listed range.
enum _KW5_FILE_RET : int {
    KW5_FILE_RET_OK = 1,
    KW5_FILE_RET_FAILED = 2,
    KW5_FILE_RET_FILE_ACCESS_ERROR = 3,
    KW5_FILE_RET_FILE_READ_ERROR = 4,
    KW5_FILE_RET_FILE_WRITE_ERROR = 5,
    KW5_FILE_RET_FILE_NOT_FOUND = 6,
    KW5_FILE_RET_FILE_READ_ONLY = 7,
    KW5_FILE_RET_OUT_OF_MEMORY = 8,
    KW5_FILE_RET_BUFFER_ERROR = 9,
    KW5_FILE_RET_NULL_POINTER = 12,
    KW5_FILE_RET_BAD_LAYOUT = 13,
    KW5_FILE_RET_INVALID_DATA = 14,
    KW5_FILE_RET_INVALID_PARAMETER = 15,
    KW5_FILE_RET_EMPTY_PATH = 16,
    KW5_FILE_RET_NOT_FOUND = 17,
    KW5_FILE_RET_READ_ONLY = 18,
    KW5_FILE_RET_WRITABLE = 19,
    KW5_FILE_RET_TAG_TOO_LARGE = 20,
    KW5_FILE_RET_DISK_FULL = 21,
    KW5_FILE_RET_NETNAME_DELETED = 22,
    KW5_FILE_RET_NETWORK_ACCESS_DENIED = 23,
    KW5_FILE_RET_BAD_NETPATH = 24,
    KW5_FILE_RET_BAD_NET_NAME = 25,
    KW5_FILE_RET_LOGON_FAILURE = 26,
    KW5_FILE_RET_FORMAT_WRONG_VERSION = 27,
    KW5_FILE_RET_FORMAT_WRONG_ENCODING = 28,
    KW5_FILE_RET_FORMAT_FRAME_TOO_LARGE = 29,
    KW5_FILE_RET_FORMAT_DUPLICATE_OBJECT = 30,
    KW5_FILE_RET_FORMAT_NO_LSI = 31,
    KW5_FILE_RET_FORMAT_LSI_PRESENT = 32,
    KW5_FILE_RET_FORMAT_NO_ULINF = 33,
    KW5_FILE_RET_NOT_IMPLEMENTED = 34,
};

// Open modes of CKW5VorletLib::Open, also passed down to the frame store.
enum {
    KW5_OPEN_READONLY = 1,
    KW5_OPEN_READWRITE = 2,
    KW5_OPEN_READWRITE_ALL = 3,
};

#endif

// Record-store files: named stores of numbered byte records, kept under the
// program's "database" folder as one folder per store ("store-" + name), one
// file per record ("record-<id>.bin") and a 20-byte "metadata.info" per store
// holding five unsigned 32-bit little-endian fields: lastModified, version,
// nextId, totalBytes, count.
//
// Every operation returns a HAL status (HAL_status.h) and runs under one
// process-wide record-store lock. Opening the same store twice gives two
// handles over one shared native store, so both see one next id and count.
//
// The record files are the truth, so that a process killed at any point
// (or a full disk) leaves stores that open whole:
// - record and metadata files are replaced through a flushed temporary file
//   that is renamed over the old one, so a record is there whole or not at
//   all, and a failed write leaves the old contents in place;
// - a change is made by its record file (renamed in, or removed) and then
//   copied into the metadata;
// - only regular files are records, but any entry named like a record file
//   keeps its id from being handed out;
// - an open takes the count and total size from the record files and keeps
//   the next id above both the stored one and every record file's id; it
//   rewrites metadata that is missing, not 20 bytes, unreadable or not what
//   the files say;
// - a store is deleted by renaming its folder out of the way first, so that
//   a delete cut short leaves the whole store or none of it; an open or a
//   delete removes such leftovers;
// - a store is renamed over another by one rename of its folder to a name
//   no store has, which commits the change; the next open, delete, listing
//   or rename finishes a rename cut short after that point, so the target
//   holds either its old store or the renamed one, whole. Only a folder
//   itself (not a link) holding a store's files under that name is a
//   renamed store: anything else there is left alone, or cleared by the
//   next rename to that store. A renamed store that can't be put in place
//   (an input/output failure, or something that is no store in the
//   target's place, which is not replaced) makes its store fail to open,
//   delete or be renamed over (7), and nothing removes it meanwhile;
// - a rename that must not replace anything is one rename of the folder
//   that the system refuses when the name is held, so that it has no
//   finishing step that could replace what came there meanwhile.
// No room is HAL_OUT_OF_MEMORY: a full disk, or a store that has handed out
// id INT32_MAX (ids stay positive and are never reused).
// A store, or the database folder, that is there but can't be looked at or
// listed (no permission, an input/output failure) is HAL_IO_ERROR, never a
// missing or empty store: nothing is made or written in its place. So is
// anything else in the place of a store's folder or of the database folder
// (a file, a pipe, a link that leads to no folder, as one to a volume not
// mounted does): it is kept as it is, and no operation but
// HAL_clearRecordStoreName removes it or writes through it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "VMTypes.h"

struct HAL_RecordStore;

// Kept for the host's start-up order; the lock needs no creation.
void HAL_initRecordStores();

// Opens (or with `create` set, creates) the store named by `length` UTF-16
// units. 0; 4 for a null or empty name or a missing store without create;
// 7 when a new store's folder or metadata cannot be written (nothing is
// left behind), when the store (or the database folder) can't be looked at
// or its records can't be listed, and when something that is no folder is
// in the place of either (with `create` too: nothing is made there). Damaged
// metadata of an existing store is rebuilt, and the store opens even when
// the rebuilt metadata cannot be written yet.
int HAL_openRecordStore(HAL_RecordStore** out, const jchar* name, jint length, int create);
// Frees this handle; the shared store goes with its last handle. Writes
// nothing. Null does nothing.
void HAL_closeRecordStore(HAL_RecordStore* store);
// Deletes the store's files and folder (a link to a store's folder: the
// link). 0; 2 for a null or empty name; 4 when nothing is at the store's
// folder name; 7 when it cannot be moved away, or when what is there is no
// store (a file, a pipe, a link to no folder), which is kept (nothing
// changes). Handles still open on it fail their later writes.
int HAL_deleteRecordStore(const jchar* name, jint length);
// HAL_deleteRecordStore for a name its caller owns outright (a save's
// staging store), whatever holds it: anything at the store's folder name
// that is no store would keep a store of that name from being made, so it
// is removed, a link itself and never what it leads to, and the answer is
// 4 (there was no store).
int HAL_clearRecordStoreName(const jchar* name, jint length);
// Renames the store `from` to `to`, replacing a store of that name.
// 0; 2 for a null or empty name; 4 when nothing is at `from`; 7 when it
// cannot be renamed, when what is at `from` or `to` is no store, or when
// `from` is a store read through a link (nothing changes). Handles still open on either store
// fail their later writes. Atomic across a process killed at any point.
int HAL_renameRecordStore(const jchar* from, jint fromLength, const jchar* to, jint toLength);
// Renames the store `from` to `to` only while nothing holds the name `to`:
// no store, no other entry at its folder's name (a file, a link, one that
// leads nowhere too) and no rename to it committed but not finished. 0;
// 2 for a null or empty name; 4 when nothing is at `from`; 8 when the name
// is held (also by `from` itself); 7 when it cannot be renamed, or what is
// at `from` is no store. Nothing
// changes unless it answers 0, and a process killed at any point leaves the
// store whole under one of the two names.
int HAL_renameRecordStoreIfFree(const jchar* from, jint fromLength, const jchar* to,
                                jint toLength);

// Where the store named by `length` UTF-16 units lives (whether or not it
// exists), or with a null name the database folder itself, as a UTF-8 path
// written NUL-terminated into `buffer` of `capacity` bytes, its length to
// `outLength`. For messages only. 0; 2 for a null out length or a buffer
// too small (the length is still reported); 4 when the program's folder is
// not known.
int HAL_getRecordStorePath(const jchar* name, jint length, char* buffer, jint capacity,
                           jint* outLength);

// Why the calling thread's last record-store operation failed with 7, for
// messages that tell a player what to do about it: a HAL_STORE_FAULT_ kind,
// and the path at fault written as HAL_getRecordStorePath writes one (cut
// to fit a small buffer; its whole length to `outLength`). Every operation
// that looks at the files clears it as it starts; NONE with an empty path
// when the last one did not fail so.
enum : int32_t {
    HAL_STORE_FAULT_NONE = 0,
    // Permission refused reading, listing or searching the path.
    HAL_STORE_FAULT_READ_REFUSED = 1,
    // Permission refused a change in the folder at the path (or, for a
    // rename's name, in the database folder that holds it).
    HAL_STORE_FAULT_WRITE_REFUSED = 2,
    // Anything else: something that is no folder or file where one must be,
    // a record too large, an input/output failure.
    HAL_STORE_FAULT_OTHER = 3,
    // Added to the kind: the path holds the store's newest state, from a
    // rename that committed but can't be finished, and it stays there until
    // it can be (no operation removes it meanwhile).
    HAL_STORE_FAULT_UNFINISHED_RENAME = 4,
};
jint HAL_getRecordStoreFault(char* buffer, jint capacity, jint* outLength);

// Stores are listed in order of their folder names; stray files are skipped.
// Every store's name, from one listing of the database folder, handed to
// `each` in turn (outside the record-store lock). 0, also when there is no
// database folder; 2 for a null `each`; 7 when the database folder can't be
// listed or is no folder (`each` is not called).
int HAL_listRecordStores(void (*each)(void* context, const jchar* name, jint length),
                         void* context);
// The same list a store at a time: each call lists the folder again.
jint HAL_getNumRecordStores();
// The n-th (1-based) store name, written NUL-terminated into `buffer` of
// `capacity` units, its length to `outLength`. 2 for n < 1, a null argument
// or a buffer too small (the length is still reported); 4 when there is no
// n-th store.
int HAL_getNthRecordStoreName(jint n, jchar* buffer, jint capacity, jint* outLength);

// 4 for a null store, else 0 with the field.
int HAL_getRecordStoreVersion(HAL_RecordStore* store, jint* out);
int HAL_getNumRecords(HAL_RecordStore* store, jint* out);
int HAL_getRecordStoreSize(HAL_RecordStore* store, jint* out);
int HAL_getRecordStoreLastModified(HAL_RecordStore* store, jlong* out);
// Free space of the file system holding the store, at most INT32_MAX.
int HAL_getRecordStoreSizeAvailable(HAL_RecordStore* store, jint* out);
// 2 when either is null, else 0 with the next id (INT32_MAX for a store
// whose ids are used up).
int HAL_getNextRecordID(HAL_RecordStore* store, jint* out);

// Adds a record with the next id. 2 for a null store, out id or data, or a
// negative size; 5 when there is no room (nothing changes); 7 when it cannot
// be written (nothing changes).
int HAL_addRecord(HAL_RecordStore* store, jint* outId, const void* data, jint size);
// Replaces record `id` (null data with size 0 writes an empty record).
// 2 for a null store, a negative size or null data with a size; 4 when the
// record does not exist (nothing is written); 5 when there is no room and 7
// when it cannot be written (the old record and the total size stay).
int HAL_setRecord(HAL_RecordStore* store, jint id, const void* data, jint size);
// 2 for a null store; 4 for a missing record; 7 when it cannot be removed
// (nothing changes).
int HAL_deleteRecord(HAL_RecordStore* store, jint id);
// 2 for a null store or out size; 4 for a missing record; 7 when it cannot
// be read.
int HAL_getRecordSize(HAL_RecordStore* store, jint id, jint* outSize);
// Copies record `id` into `buffer` of `capacity` bytes and reports its size.
// 2 for a null store or out size, or when the record is larger than the
// capacity (nothing is written, the size is still reported); 4 for a
// missing record; 7 when it cannot be read.
int HAL_getRecord(HAL_RecordStore* store, jint id, void* buffer, jint capacity, jint* outSize);
// The n-th (1-based) record id in ascending id order, of the record files
// that exist. 4 for a null store, n < 1 or n above the number of records;
// 2 for a null out id; 7 when the store's folder can't be listed.
int HAL_getNthRecordId(HAL_RecordStore* store, jint n, jint* outId);

// Test hook: after `after` file writes that succeed, the next `count` fail
// as on a full disk.
void HAL_failNextRecordStoreWrites(int count, int after = 0);
// Test hook: with `on` set, HAL_renameRecordStoreIfFree goes the way it goes
// on a file system or kernel that can't refuse the replace in the rename
// itself.
void HAL_pretendNoReplaceRenameUnsupported(int on);
// Test hook: with `on` set, every rename that would put a renamed store in
// place of its target fails as on an input/output error (the store stays
// under the rename's name).
void HAL_failRenamedStorePlacing(int on);

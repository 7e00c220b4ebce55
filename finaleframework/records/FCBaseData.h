// The base of every host data record wrapper.
#pragma once

#include "finaleframework/core/FCBase.h"

class __FCEntryDetail;

/// One host data record: its tag, its 8-byte key and a copy of its bytes. The transport (load,
/// save, step to the next record, delete, clone) is written once here in terms of what each record
/// class answers: its tag, version, size and storage. The key families derived from this class
/// lay out the key and add the typed Load operations.
///
/// Storage. A fixed-size class keeps its record inside the object: Allocate answers that area and
/// Deallocate does nothing. A variable-size class (IsDynamicSize true) allocates its record with
/// _NewBytes in Allocate, releases it with _DeleteBytes in Deallocate and calls ClearData in its
/// destructor; CloneMemoryFrom hands such a class storage from _NewBytes as well. The base never
/// releases storage in its own destructor.
///
/// A record with a data size of 0 or less counts as not loaded: it is not saved.
class __FCBaseData : public __FCBase {
public:
    __FCBaseData() = default;
    __FCBaseData(const __FCBaseData&) = delete;
    __FCBaseData& operator=(const __FCBaseData&) = delete;

    const char* ClassName() override { return "__FCBaseData"; }

    /// The record's tag.
    virtual EXTAG Tag() = 0;
    /// The record layout's version; the framework's own unless a class uses an older layout.
    virtual EVERSION EnigmaVersion() { return FINALEPDK_VERSION; }
    /// The capacity offered to the host when loading.
    virtual fourbyte DataSizeLoad() = 0;
    /// The number of bytes written when saving: the bytes loaded.
    virtual fourbyte DataSizeSave() { return _datasize; }
    /// Storage for one record.
    virtual void* Allocate() = 0;
    /// Releases what Allocate gave; nothing for fixed-size classes.
    virtual void Deallocate() {}
    virtual bool IsDynamicSize() { return false; }
    /// This object as an entry detail record; null for every other kind of record. (A cheaper
    /// question than a dynamic cast, asked for every entry whose details are loaded.)
    virtual __FCEntryDetail* _AsEntryDetail() { return nullptr; }
    /// A new, empty object of the same class; the caller owns it.
    virtual __FCBaseData* CreateObject() = 0;
    /// Takes a copy of the source's bytes (nothing when the source holds none). A fixed-size class
    /// copies into its own area; a variable-size class first releases what it held.
    virtual void CloneMemoryFrom(__FCBaseData* source);
    ~__FCBaseData() override = default;
    /// Writes the bytes under the current key; false without a host call when nothing is loaded.
    virtual bool Save();
    /// Loads the first record of the family for the object's key context.
    virtual bool LoadFirst() = 0;
    /// Steps the key to the next record of the tag and loads it. False when the host does not
    /// step (nothing changes) or when the load fails (then nothing is loaded).
    virtual bool LoadNext();

    /// Loads the record the key names. A variable-size record gets fresh storage each time; on
    /// failure the data size is 0 and the storage stays allocated.
    bool LoadDataBlock();
    /// Copies key, custom tag and bytes of `source`.
    void CloneFrom(__FCBaseData* source);
    /// A new object of the same class holding a copy; the caller owns it. Null when the class
    /// cannot create objects.
    __FCBaseData* CreateClone();
    /// Releases the storage and marks the record as not loaded.
    void ClearData();
    /// Deletes the record the key names from the document; the object's copy stays.
    bool DeleteData();

    /// A tag that replaces the class's own for classes whose records exist under several tags.
    void SetCustomTag(EXTAG tag) { _customtag = tag; }
    EXTAG GetCustomTag() const { return _customtag; }

    /// Bytes of the record that are valid; 0 when not loaded.
    fourbyte _GetDataSize() const { return _datasize; }
    /// The record's bytes; null when there is no storage.
    void* _GetData() const { return _data; }
    /// The 8-byte key block as handed to the host.
    const unsigned char* _GetKey() const { return _key; }
    /// Puts back a key block taken with _GetKey (8 bytes), for operations that undo their work.
    void _SetKey(const unsigned char* key);

protected:
    /// Heap storage for variable-size records.
    static void* _NewBytes(fourbyte size);
    static void _DeleteBytes(void* bytes);

    // Key access: little-endian words and the 32-bit entry number in bytes 0 to 3.
    utwobyte _GetKeyWord(int index) const;
    void _SetKeyWord(int index, utwobyte value);
    fourbyte _GetKeyLong() const;
    void _SetKeyLong(fourbyte value);

    /// A create of the record under `key` (the host writes the chosen key back into it).
    bool _CreateWithKey(unsigned char* key);
    /// Loads the record whose key word `inciWord` is one higher. On failure the word goes back
    /// and a fixed-size record stays loaded with its earlier bytes (a failed load does not touch
    /// them), so that a following Save writes the last record that loaded.
    bool _LoadNextInci(int inciWord);

    ufourbyte _customtag = 0;
    void* _data = nullptr;
    fourbyte _datasize = 0;
    unsigned char _key[8] = {};
};

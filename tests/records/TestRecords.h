// Small record classes of the tests' own, one fixed-size and one variable-size kind per key
// family, and collections over them.
#pragma once

#include "finaleframework/records/FCBaseData.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>
#include <vector>

namespace test_records {

using Bytes = std::vector<unsigned char>;

/// For the families that leave LoadFirst to their record classes: the first record is (0, 0).
template <typename Family> class FirstAtZero : public Family {
public:
    bool LoadFirst() override { return this->Load(0, 0); }
};

/// A record kept inside the object (SIZE bytes). Answers the custom tag when one is set.
template <typename Family, EXTAG TAG, int SIZE> class Fixed : public Family {
public:
    EXTAG Tag() override { return this->_customtag ? this->_customtag : TAG; }
    fourbyte DataSizeLoad() override { return SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new Fixed; }

    /// The valid bytes.
    Bytes Get() const {
        const auto* data = static_cast<const unsigned char*>(this->_data);
        return data ? Bytes(data, data + this->_datasize) : Bytes{};
    }
    /// Makes the object hold `bytes` (at most SIZE), as if loaded.
    void Set(const Bytes& bytes) {
        std::memcpy(_record, bytes.data(), bytes.size());
        this->_data = _record;
        this->_datasize = static_cast<fourbyte>(bytes.size());
    }
    const void* Area() const { return _record; }
    /// Key words for tests of what the families leave alone.
    void SetWord(int index, utwobyte value) { this->_SetKeyWord(index, value); }
    utwobyte Word(int index) const { return this->_GetKeyWord(index); }

private:
    unsigned char _record[SIZE] = {};
};

/// A record on the heap, sized by asking the host.
template <typename Family, EXTAG TAG> class Variable : public Family {
public:
    ~Variable() override { this->ClearData(); }

    EXTAG Tag() override { return this->_customtag ? this->_customtag : TAG; }
    bool IsDynamicSize() override { return true; }
    fourbyte DataSizeLoad() override {
        fourbyte size = 0;
        if (FX_LoadEData(Tag(), this->_key, nullptr, &size, this->EnigmaVersion()) == 0) return 0;
        return size;
    }
    void* Allocate() override { return this->_NewBytes(DataSizeLoad()); }
    void Deallocate() override { this->_DeleteBytes(this->_data); }
    __FCBaseData* CreateObject() override { return new Variable; }

    Bytes Get() const {
        const auto* data = static_cast<const unsigned char*>(this->_data);
        return data ? Bytes(data, data + this->_datasize) : Bytes{};
    }
    void Set(const Bytes& bytes) {
        this->ClearData();
        this->_data = this->_NewBytes(static_cast<fourbyte>(bytes.size()));
        std::memcpy(this->_data, bytes.data(), bytes.size());
        this->_datasize = static_cast<fourbyte>(bytes.size());
    }
};

/// A collection of `Element` records with the loading operations of `Base`.
template <typename Base, typename Element> class Records : public Base {
public:
    __FCBaseData* CreateElement() override { return new Element; }

    Element* At(int index) const { return static_cast<Element*>(this->GetItemAt(index)); }
};

} // namespace test_records

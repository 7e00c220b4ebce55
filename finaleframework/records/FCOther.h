// Record families keyed by plain 16-bit words: item numbers, record numbers (inci) and pairs.
#pragma once

#include "finaleframework/records/FCBaseData.h"

/// Records keyed by an item number (`cmper`, word 0) and a record number (`inci`, word 1).
class __FCOther : public __FCBaseData {
public:
    const char* ClassName() override { return "__FCOther"; }

    utwobyte GetItemCmper() const { return _GetKeyWord(0); }
    twobyte GetItemInci() const { return static_cast<twobyte>(_GetKeyWord(1)); }

protected:
    void _SetCmperInci(utwobyte cmper, twobyte inci) {
        _SetKeyWord(0, cmper);
        _SetKeyWord(1, static_cast<utwobyte>(inci));
    }
};

/// One record per item number (inci always 0); items are numbered from 1.
class __FCNoInciOther : public __FCOther {
public:
    const char* ClassName() override { return "__FCNoInciOther"; }

    /// Loads item 1.
    bool LoadFirst() override;
    virtual bool Load(utwobyte cmper);
    /// Writes the bytes as item `cmper`, replacing what is there.
    virtual bool SaveAs(utwobyte cmper);
    /// Creates a record under an item number the host chooses; afterwards the object names it.
    /// False without a host call when nothing is loaded.
    virtual bool SaveNew();
    virtual utwobyte GetItemNo() { return GetItemCmper(); }
};

/// Several records per item number, numbered by inci from 0.
class __FCInciOther : public __FCOther {
public:
    const char* ClassName() override { return "__FCInciOther"; }

    /// Always false: these records are read by item (Load, or the record collections).
    bool LoadFirst() override { return false; }
    virtual bool Load(utwobyte cmper, twobyte inci);
    /// Creates a record of item `cmper` under an inci the host chooses; afterwards the object
    /// names it. False without a host call when nothing is loaded.
    virtual bool SaveNew(utwobyte cmper);
};

/// Records keyed by two words (word 0 unsigned, word 1 signed).
class __FCInci : public __FCBaseData {
public:
    const char* ClassName() override { return "__FCInci"; }

    bool Load(utwobyte word0, twobyte word1);
};

/// Global records keyed by an item number in word 0, numbered from 0.
class __FCGlobals : public __FCBaseData {
public:
    const char* ClassName() override { return "__FCGlobals"; }

    /// Loads item 0.
    bool LoadFirst() override { return Load(0); }
    /// Sets word 0 (the other key words stay) and loads.
    bool Load(twobyte item);
    twobyte GetItemNo() const { return static_cast<twobyte>(_GetKeyWord(0)); }
};

/// Records attached to a pair of numbers: `cmper` (word 0), `cmper2` (word 1), inci 0.
class __FCNoInciDetail : public __FCBaseData {
public:
    const char* ClassName() override { return "__FCNoInciDetail"; }

    bool Load(utwobyte cmper, utwobyte cmper2);
    /// Creates a record of `cmper` under a `cmper2` the host chooses. False without a host call
    /// when nothing is loaded.
    bool SaveNew(utwobyte cmper);

    utwobyte GetItemCmper() const { return _GetKeyWord(0); }
    utwobyte GetItemCmper2() const { return _GetKeyWord(1); }
};

#pragma once

#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>

// The file types Pro Engineer saves in numbered versions. One table feeds the name rule, the
// six type buttons of the main window and the types a user may choose.
struct VersionType
{
    const char16_t *type;    // as it stands in a file name, exact case
    const char16_t *caption; // the type button's caption; null for a type without a button
    const char16_t *toolTip;
    int buttonLeft = -1;     // where its button stands on the panel (twips), -1 for none
    const char *buttonName = nullptr;
};

inline constexpr std::array<VersionType, 14> kVersionTypes{{
    {u"asm", u"asm", u"Set filter criteria for assemblies", 4920, "Command2"},
    {u"prt", u"prt", u"Set filter criteria for parts", 5400, "Command3"},
    {u"drw", u"drw", u"Set filter criteria for drawings", 5880, "Command4"},
    {u"sec", u"sec", u"Set filter criteria for sections", 6360, "Command5"},
    {u"bom", u"bom", u"Set filter criteria for bom's", 6840, "Command6"},
    {u"txt", u"txt", u"Set filter criteria for trail files", 7320, "Command7"},
    {u"frm", nullptr, u"formats"},
    {u"lay", nullptr, u"layouts"},
    {u"dgm", nullptr, u"diagrams"},
    {u"gph", nullptr, u"graphs"},
    {u"sym", nullptr, u"symbols"},
    {u"tbl", nullptr, u"tables"},
    {u"win", nullptr, u"window settings"},
    {u"mfg", nullptr, u"manufacturing models"},
}};

// A choice of version types, as a set of places in kVersionTypes.
class VersionTypeSet
{
public:
    // The six types with a button: what is purged unless the user chooses otherwise.
    VersionTypeSet();
    static VersionTypeSet all();

    // From a list such as "prt,asm,frm" (commas or blanks between, case ignored). False, with
    // the first unknown type in `unknown`, when a name is no version type; an empty list is
    // the six.
    static bool parse(const QString &text, VersionTypeSet &out, QString *unknown = nullptr);

    bool contains(QStringView type) const;
    bool isDefault() const { return *this == VersionTypeSet(); }
    // The chosen types in table order, joined by commas.
    QString toString() const;
    QStringList names() const;

    bool operator==(const VersionTypeSet &) const = default;

private:
    explicit VersionTypeSet(std::uint32_t bits) : m_bits(bits) {}
    std::uint32_t m_bits;
};

#pragma once

#include "app/tokenfield.h"

#include <QString>
#include <QStringList>

// The delegate of the token field that lists the fields a search result must
// not overwrite (the setting "FiledsNotToBeOverwritten"). Tokens are the
// field keys; the user sees and types their localised names ("field" and the
// capitalised key in the string tables). Anything that is not one of the
// keys is never added, nor is a key a second time.
class FieldListTokenDelegate : public TokenFieldDelegate {
public:
    FieldListTokenDelegate();

    const QStringList& tokenList() const { return m_tokenList; }
    void setTokenList(const QStringList& tokenList) { m_tokenList = tokenList; }

    // The display name of a key as the string tables give it: the
    // localisation key itself when they have no entry.
    static QString localizedName(const QString& key);

    // Names of the keys not yet in the field, in tokenList order: all of them
    // when the typed text is blank, else those beginning with it (any case).
    QStringList completionsForSubstring(const TokenField& field, const QString& substring) const override;
    // nullopt when the tables have no name, so the field shows the key itself.
    std::optional<QString> displayStringForRepresentedObject(const TokenField& field,
                                                             const QString& object) const override;
    // The key whose name is exactly `text`; the empty text when none is.
    QString representedObjectForEditingString(const TokenField& field, const QString& text) const override;
    // Only the objects that are keys and not yet in the field, each once, in their order.
    QStringList shouldAddObjects(const TokenField& field, const QStringList& objects, int index) const override;

private:
    QStringList m_tokenList;
};

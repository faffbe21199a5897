#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct _xmlDoc;
struct _xmlNode;

namespace platform {

class XmlDocument;

// A node of an XmlDocument. It does not own anything and stays valid only
// while its document lives.
class XmlNode {
public:
    XmlNode() = default;

    bool isNull() const { return m_node == nullptr; }
    QString name() const;
    // All text below the node (an attribute node gives its value).
    QString text() const;
    // A null QString when the attribute is missing.
    QString attribute(const QString& name) const;
    QList<XmlNode> childElements() const;

    // XPath evaluated with this node as the context node; an invalid
    // expression gives an empty result.
    QList<XmlNode> nodesForXPath(const QString& xpath) const;
    QStringList textsForXPath(const QString& xpath) const;

private:
    friend class XmlDocument;
    XmlNode(_xmlDoc* doc, _xmlNode* node) : m_doc(doc), m_node(node) {}
    _xmlDoc* m_doc = nullptr;
    _xmlNode* m_node = nullptr;
};

// An XML document parsed by libxml2, also an HTML page tidied into one.
// Parsing never reaches the network, never loads external entities and
// prints nothing; documents that declare their own entities are refused.
class XmlDocument {
public:
    static std::optional<XmlDocument> parseXml(const QByteArray& data);
    // Forgiving HTML parsing: broken markup is repaired, never refused.
    // `encoding` is the character set the page was sent with (such as
    // "utf-8"); it wins over the page's own declaration. Empty or unknown,
    // the page's declaration decides.
    static std::optional<XmlDocument> parseHtml(const QByteArray& data, const QByteArray& encoding = {});

    XmlDocument(XmlDocument&&) noexcept = default;
    XmlDocument& operator=(XmlDocument&&) noexcept = default;
    ~XmlDocument();

    XmlNode root() const;
    QList<XmlNode> nodesForXPath(const QString& xpath) const;
    QStringList textsForXPath(const QString& xpath) const;

private:
    struct Free {
        void operator()(_xmlDoc* doc) const;
    };
    explicit XmlDocument(_xmlDoc* doc) : m_doc(doc) {}
    std::unique_ptr<_xmlDoc, Free> m_doc;
};

}  // namespace platform

#include "xmldocument.h"

#include <libxml/HTMLparser.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <climits>
#include <memory>

namespace platform {

namespace {

void ignoreError(void*, xmlErrorPtr)
{
}

QString fromXmlChars(const xmlChar* text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

QString takeXmlChars(xmlChar* text)
{
    const QString out = fromXmlChars(text);
    xmlFree(text);
    return out;
}

// Entity references could expand into enormous texts or point outside the
// document; nothing this application reads needs them.
bool declaresEntities(xmlDocPtr doc)
{
    for (xmlDtdPtr dtd : {doc->intSubset, doc->extSubset})
        if (dtd && (dtd->entities || dtd->pentities))
            return true;
    return false;
}

struct XPathContextFree {
    void operator()(xmlXPathContextPtr context) const { xmlXPathFreeContext(context); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObjectPtr object) const { xmlXPathFreeObject(object); }
};

template <typename Visit>
void evaluate(xmlDocPtr doc, xmlNodePtr contextNode, const QString& xpath, Visit visit)
{
    if (!doc || xpath.isEmpty())
        return;
    std::unique_ptr<xmlXPathContext, XPathContextFree> context(xmlXPathNewContext(doc));
    if (!context)
        return;
    context->error = ignoreError;
    // A document-level query starts at the document node, so relative paths
    // such as ".//chapters/chapter" find what they would from the root.
    context->node = contextNode ? contextNode : reinterpret_cast<xmlNodePtr>(doc);
    const QByteArray expression = xpath.toUtf8();
    std::unique_ptr<xmlXPathObject, XPathObjectFree> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.constData()), context.get()));
    if (!result)
        return;
    if (result->type == XPATH_NODESET) {
        if (!result->nodesetval)
            return;
        for (int i = 0; i < result->nodesetval->nodeNr; ++i)
            visit(result->nodesetval->nodeTab[i], QString());
        return;
    }
    // A string, number or boolean result counts as one text.
    visit(nullptr, takeXmlChars(xmlXPathCastToString(result.get())));
}

QList<XmlNode> collectNodes(xmlDocPtr doc, xmlNodePtr node, const QString& xpath,
                            XmlNode (*make)(xmlDocPtr, xmlNodePtr))
{
    QList<XmlNode> nodes;
    evaluate(doc, node, xpath, [&](xmlNodePtr found, const QString&) {
        if (found)
            nodes.append(make(doc, found));
    });
    return nodes;
}

QStringList collectTexts(xmlDocPtr doc, xmlNodePtr node, const QString& xpath)
{
    QStringList texts;
    evaluate(doc, node, xpath, [&](xmlNodePtr found, const QString& value) {
        texts.append(found ? takeXmlChars(xmlNodeGetContent(found)) : value);
    });
    return texts;
}

}  // namespace

QString XmlNode::name() const
{
    return m_node ? fromXmlChars(m_node->name) : QString();
}

QString XmlNode::text() const
{
    if (!m_node)
        return QString();
    const QString content = takeXmlChars(xmlNodeGetContent(m_node));
    return content.isNull() ? QString("") : content;
}

QString XmlNode::attribute(const QString& name) const
{
    if (!m_node || m_node->type != XML_ELEMENT_NODE)
        return QString();
    const QByteArray key = name.toUtf8();
    xmlChar* value = xmlGetProp(m_node, reinterpret_cast<const xmlChar*>(key.constData()));
    if (!value)
        return QString();
    const QString out = takeXmlChars(value);
    return out.isNull() ? QString("") : out;
}

QList<XmlNode> XmlNode::childElements() const
{
    QList<XmlNode> children;
    if (!m_node)
        return children;
    for (xmlNodePtr child = m_node->children; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE)
            children.append(XmlNode(m_doc, child));
    return children;
}

QList<XmlNode> XmlNode::nodesForXPath(const QString& xpath) const
{
    if (!m_node)
        return {};
    return collectNodes(m_doc, m_node, xpath, [](xmlDocPtr d, xmlNodePtr n) { return XmlNode(d, n); });
}

QStringList XmlNode::textsForXPath(const QString& xpath) const
{
    if (!m_node)
        return {};
    return collectTexts(m_doc, m_node, xpath);
}

void XmlDocument::Free::operator()(_xmlDoc* doc) const
{
    xmlFreeDoc(doc);
}

XmlDocument::~XmlDocument() = default;

std::optional<XmlDocument> XmlDocument::parseXml(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > INT_MAX)
        return std::nullopt;
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context)
        return std::nullopt;
    context->sax->serror = ignoreError;  // keep libxml2 quiet on stderr
    // Without XML_PARSE_NOENT and XML_PARSE_DTDLOAD nothing is substituted or fetched.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlDocPtr doc =
        xmlCtxtReadMemory(context, data.constData(), static_cast<int>(data.size()), nullptr, nullptr, options);
    const bool wellFormed = context->wellFormed;
    xmlFreeParserCtxt(context);
    XmlDocument document(doc);
    if (!doc || !wellFormed || declaresEntities(doc) || !xmlDocGetRootElement(doc))
        return std::nullopt;
    return document;
}

std::optional<XmlDocument> XmlDocument::parseHtml(const QByteArray& data, const QByteArray& encoding)
{
    if (data.size() > INT_MAX)
        return std::nullopt;
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING;
    htmlParserCtxtPtr context = htmlNewParserCtxt();
    if (!context)
        return std::nullopt;
    context->sax->serror = ignoreError;
    // An empty page still makes a document, so that queries simply find nothing.
    const QByteArray page = data.isEmpty() ? QByteArray("<html></html>") : data;
    htmlDocPtr doc = htmlCtxtReadMemory(context, page.constData(), static_cast<int>(page.size()), nullptr,
                                        encoding.isEmpty() ? nullptr : encoding.constData(), options);
    htmlFreeParserCtxt(context);
    if (!doc)
        return std::nullopt;
    return XmlDocument(doc);
}

XmlNode XmlDocument::root() const
{
    return XmlNode(m_doc.get(), m_doc ? xmlDocGetRootElement(m_doc.get()) : nullptr);
}

QList<XmlNode> XmlDocument::nodesForXPath(const QString& xpath) const
{
    return collectNodes(m_doc.get(), nullptr, xpath, [](xmlDocPtr d, xmlNodePtr n) { return XmlNode(d, n); });
}

QStringList XmlDocument::textsForXPath(const QString& xpath) const
{
    return collectTexts(m_doc.get(), nullptr, xpath);
}

}  // namespace platform

// The tag tree of one table element of a dictionary file: the reader collects the element
// and everything inside it into these nodes, and the definition builder turns them into a
// TableDefn.
#ifndef CORBEL_DICTIONARY_XML_TAG_TREE_H
#define CORBEL_DICTIONARY_XML_TAG_TREE_H

#include <cstdint>

#include <libxml/xmlreader.h>

#include <corbel/dictionary.h>

// One element.
struct XmlTagInfo {
  char *tagName;            // element name as written in the file, owned
  char **attributeNames;    // recognised attribute names, owned
  char **attributeValues;   // their values, parallel to attributeNames, owned
  int32_t attributeCount;   // entries in both arrays
  char **texts;             // the element's text (every allowed value for a "value" node), owned
  int32_t textCount;        // entries in texts
  XmlTagInfo *firstChild;   // first element inside this one
  XmlTagInfo *nextSibling;  // next element beside this one
};

// New zeroed node, NULL when memory runs out.
XmlTagInfo *CreateandInitXmlTagInfo(void);

// Copies the element name and the recognised attributes ("name", "system",
// "reference-table-name", "isbidirectional", kept in that order) of the reader's current
// element into `node`. Other attributes are logged and left out. 1, or 99 when memory runs
// out.
uint8_t AllocateAndStrcpyAttrib(xmlTextReaderPtr reader, XmlTagInfo *node);

// Appends a copy of `text` to the node's texts: 1, or 99 when memory runs out.
uint8_t AddXmlTagText(XmlTagInfo *node, const char *text);

// The value of attribute `name` of the node, or NULL.
const char *GetXmlTagAttribute(const XmlTagInfo *node, const char *name);

// Frees the node, its children and its siblings with everything they own.
void FreeXmlTagInfoList(XmlTagInfo *node);

// Builds the TableDefn of a table's tag tree and adds it to the dictionary. False (with the
// reason logged) when the tree does not describe a valid table; nothing is added then.
bool BuildTableDefnFromTagTree(const XmlTagInfo *tableNode);

// Reads every table of the dictionary file at `path` into the dictionary; problems are
// logged. Always true.
bool XmlDataParser(const char *path);

#endif

// Nodes of the per-table tag tree and their attributes.
#include "framework/dictionary/xml_tag_tree.h"

#include <cstdlib>
#include <cstring>

#include <corbel/log.h>
#include <corbel/primitives.h>

namespace {

// The attributes a dictionary element may carry, in the order they are kept.
constexpr const char *kKnownAttributes[] = {"name", "system", "reference-table-name",
                                            "isbidirectional"};
constexpr int32_t kKnownAttributeCount = 4;

// Appends `text` to a growing array of owned texts.
uint8_t AppendText(char ***texts, int32_t *count, const char *text) {
  auto **grown = static_cast<char **>(
      std::realloc(*texts, (static_cast<size_t>(*count) + 1) * sizeof(char *)));
  if (grown == nullptr) return CORBEL_STATUS_NO_MEMORY;
  *texts = grown;
  if (AllocateStringCopy(&grown[*count], text) != CORBEL_STATUS_SUCCESS)
    return CORBEL_STATUS_NO_MEMORY;
  ++*count;
  return CORBEL_STATUS_SUCCESS;
}

void FreeTextArray(char **texts, int32_t count) {
  for (int32_t i = 0; i < count; ++i) std::free(texts[i]);
  std::free(texts);
}

void FreeOneNode(XmlTagInfo *node) {
  std::free(node->tagName);
  FreeTextArray(node->attributeNames, node->attributeCount);
  FreeTextArray(node->attributeValues, node->attributeCount);
  FreeTextArray(node->texts, node->textCount);
  std::free(node);
}

}  // namespace

XmlTagInfo *CreateandInitXmlTagInfo(void) {
  LogTrace("\n Inside CreateandInitXmlTagInfo \n");
  return static_cast<XmlTagInfo *>(std::calloc(1, sizeof(XmlTagInfo)));
}

uint8_t AllocateAndStrcpyAttrib(xmlTextReaderPtr reader, XmlTagInfo *node) {
  LogTrace("\nInside AllocateAndStrcpyAttrib\n\n");
  if (reader == nullptr || node == nullptr) return CORBEL_STATUS_NO_MEMORY;
  const char *elementName = reinterpret_cast<const char *>(xmlTextReaderConstName(reader));
  if (node->tagName == nullptr &&
      AllocateStringCopy(&node->tagName, elementName != nullptr ? elementName : "") !=
          CORBEL_STATUS_SUCCESS)
    return CORBEL_STATUS_NO_MEMORY;
  int total = xmlTextReaderAttributeCount(reader);
  int recognised = 0;
  for (int32_t k = 0; k < kKnownAttributeCount; ++k) {
    xmlChar *value =
        xmlTextReaderGetAttribute(reader, reinterpret_cast<const xmlChar *>(kKnownAttributes[k]));
    if (value == nullptr) continue;
    ++recognised;
    int32_t namesCount = node->attributeCount;
    uint8_t status = AppendText(&node->attributeNames, &namesCount, kKnownAttributes[k]);
    if (status == CORBEL_STATUS_SUCCESS) {
      status = AppendText(&node->attributeValues, &node->attributeCount,
                          reinterpret_cast<const char *>(value));
      if (status != CORBEL_STATUS_SUCCESS) {
        std::free(node->attributeNames[namesCount - 1]);
      }
    }
    xmlFree(value);
    if (status != CORBEL_STATUS_SUCCESS) return status;
  }
  if (recognised < total) LogError("\n Not all Attributes were read\n");
  return CORBEL_STATUS_SUCCESS;
}

uint8_t AddXmlTagText(XmlTagInfo *node, const char *text) {
  return AppendText(&node->texts, &node->textCount, text);
}

const char *GetXmlTagAttribute(const XmlTagInfo *node, const char *name) {
  for (int32_t i = 0; node != nullptr && i < node->attributeCount; ++i) {
    if (std::strcmp(node->attributeNames[i], name) == 0) return node->attributeValues[i];
  }
  return nullptr;
}

void FreeXmlTagInfoList(XmlTagInfo *node) {
  LogTrace("\n Inside FreeXmlTagInfoList\n");
  // Siblings in a loop, children by recursion: the tree is at most a few levels deep, but a
  // table may have thousands of columns.
  while (node != nullptr) {
    XmlTagInfo *next = node->nextSibling;
    if (node->firstChild != nullptr) FreeXmlTagInfoList(node->firstChild);
    FreeOneNode(node);
    node = next;
  }
}

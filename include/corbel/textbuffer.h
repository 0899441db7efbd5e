/* ---- include/corbel/textbuffer.h ------------------------------------------------------
 * Growing text: statements and other long texts are built by appending pieces; the buffer
 * grows by whole steps, so a text of any length fits. */
#ifndef CORBEL_TEXTBUFFER_H
#define CORBEL_TEXTBUFFER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Growing text. */
typedef struct TextBuffer {
  int32_t length;   /* characters held */
  char *text;       /* the characters, NUL-terminated; capacity + 1 bytes, owned */
  int32_t capacity; /* characters that fit without growing */
  int32_t step;     /* growth step */
} TextBuffer;

/* Empty buffer of the given capacity and growth step. 1, or 99 when memory runs out (or for
 * a NULL buffer or a negative capacity). */
int InitTextBuffer(TextBuffer *buffer, int32_t capacity, int32_t step);
/* The same with capacity 10000 and step 1000. */
int InitDefaultTextBuffer(TextBuffer *buffer);
/* Appends text (NULL appends nothing), growing by the fewest whole steps that make room (a
 * buffer without a step grows to fit). 1, or 99 when memory runs out (the buffer is then
 * unchanged). */
int AppendTextBuffer(TextBuffer *buffer, const char *text);
/* Frees the buffer's text and empties it; the record stays the caller's. */
void FreeTextBuffer(TextBuffer *buffer);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_TEXTBUFFER_H */

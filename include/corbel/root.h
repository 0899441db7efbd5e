/* ---- include/corbel/root.h -------------------------------------------------------------
 * The framework root: the directory whose "data" folder holds the framework's files and
 * whose "logs" folder receives its log. None is set until SetCorbelRoot names one. */
#ifndef CORBEL_ROOT_H
#define CORBEL_ROOT_H

#ifdef __cplusplus
extern "C" {
#endif

/* Makes `root` the framework root (a copy is kept; the caller's text may go away). NULL
 * leaves the root as it was. A log already open stays where it is. */
void SetCorbelRoot(const char *root);

/* The framework root, or NULL when none is set. Owned by the framework; valid until the
 * next SetCorbelRoot. */
const char *GetCorbelRoot(void);

/* New text "<root>/data/<fileName>" (the caller frees it), or NULL when no root is set,
 * `fileName` is NULL or memory runs out. */
char *ComposeRootDataPath(const char *fileName);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_ROOT_H */

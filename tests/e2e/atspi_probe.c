// Reads a running program's accessible tree over AT-SPI, as a screen reader
// would, from another process:
//   atspi_probe dump APP              prints the tree of the application APP
//   atspi_probe settext APP NAME TEXT sets the text of the field named NAME
//   atspi_probe click APP NAME        presses the push button beside the
//                                     field named NAME (same parent)
// dump prints one node a line: depth, role, "name", then text=..., the
// states focused/focusable/enabled/editable/active, and labelled-by="...".
// Exit code 1 when the application or the node is not there (yet).
#include <atspi/atspi.h>
#include <stdio.h>
#include <string.h>

static AtspiAccessible* FindApp(const char* name) {
  AtspiAccessible* desktop = atspi_get_desktop(0);
  gint n = atspi_accessible_get_child_count(desktop, NULL);
  for (gint i = 0; i < n; ++i) {
    AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, NULL);
    if (app == NULL) continue;
    gchar* appName = atspi_accessible_get_name(app, NULL);
    gboolean match = appName != NULL && strcmp(appName, name) == 0;
    g_free(appName);
    if (match) {
      g_object_unref(desktop);
      return app;
    }
    g_object_unref(app);
  }
  g_object_unref(desktop);
  return NULL;
}

static void Dump(AtspiAccessible* node, int depth) {
  gchar* role = atspi_accessible_get_role_name(node, NULL);
  gchar* name = atspi_accessible_get_name(node, NULL);
  printf("%d %s \"%s\"", depth, role ? role : "?", name ? name : "");
  AtspiText* text = atspi_accessible_get_text_iface(node);
  if (text != NULL) {
    gchar* value = atspi_text_get_text(text, 0, -1, NULL);
    printf(" text=\"%s\" caret=%d", value ? value : "", atspi_text_get_caret_offset(text, NULL));
    g_free(value);
    g_object_unref(text);
  }
  AtspiStateSet* states = atspi_accessible_get_state_set(node);
  static const struct {
    AtspiStateType state;
    const char* word;
  } kWords[] = {{ATSPI_STATE_FOCUSED, "focused"}, {ATSPI_STATE_FOCUSABLE, "focusable"},
                {ATSPI_STATE_ENABLED, "enabled"}, {ATSPI_STATE_EDITABLE, "editable"},
                {ATSPI_STATE_ACTIVE, "active"},   {ATSPI_STATE_MODAL, "modal"},
                {ATSPI_STATE_SHOWING, "showing"}};
  for (size_t i = 0; i < sizeof kWords / sizeof kWords[0]; ++i) {
    if (atspi_state_set_contains(states, kWords[i].state)) printf(" %s", kWords[i].word);
  }
  g_object_unref(states);
  GArray* relations = atspi_accessible_get_relation_set(node, NULL);
  for (guint i = 0; relations != NULL && i < relations->len; ++i) {
    AtspiRelation* r = g_array_index(relations, AtspiRelation*, i);
    if (atspi_relation_get_relation_type(r) == ATSPI_RELATION_LABELLED_BY &&
        atspi_relation_get_n_targets(r) > 0) {
      AtspiAccessible* target = atspi_relation_get_target(r, 0);
      gchar* label = atspi_accessible_get_name(target, NULL);
      printf(" labelled-by=\"%s\"", label ? label : "");
      g_free(label);
      g_object_unref(target);
    }
    g_object_unref(r);
  }
  if (relations != NULL) g_array_free(relations, TRUE);
  printf("\n");
  g_free(role);
  g_free(name);
  gint n = atspi_accessible_get_child_count(node, NULL);
  for (gint i = 0; i < n; ++i) {
    AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, NULL);
    if (child == NULL) continue;
    Dump(child, depth + 1);
    g_object_unref(child);
  }
}

// The first node below node (depth first) named name that has text.
static AtspiAccessible* FindField(AtspiAccessible* node, const char* name) {
  gchar* own = atspi_accessible_get_name(node, NULL);
  AtspiText* text = atspi_accessible_get_text_iface(node);
  gboolean match = own != NULL && strcmp(own, name) == 0 && text != NULL;
  g_free(own);
  if (text != NULL) g_object_unref(text);
  if (match) return g_object_ref(node);
  gint n = atspi_accessible_get_child_count(node, NULL);
  for (gint i = 0; i < n; ++i) {
    AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, NULL);
    if (child == NULL) continue;
    AtspiAccessible* found = FindField(child, name);
    g_object_unref(child);
    if (found != NULL) return found;
  }
  return NULL;
}

int main(int argc, char** argv) {
  if (argc < 3 || atspi_init() < 0) {
    fprintf(stderr, "usage: atspi_probe dump|settext|click APP [NAME [TEXT]]\n");
    return 2;
  }
  AtspiAccessible* app = FindApp(argv[2]);
  if (app == NULL) return 1;
  int result = 0;
  if (strcmp(argv[1], "dump") == 0) {
    Dump(app, 0);
  } else if (argc >= 4) {
    AtspiAccessible* field = FindField(app, argv[3]);
    if (field == NULL) return 1;
    GError* error = NULL;
    if (strcmp(argv[1], "settext") == 0 && argc >= 5) {
      AtspiEditableText* editable = atspi_accessible_get_editable_text_iface(field);
      result = editable != NULL && atspi_editable_text_set_text_contents(editable, argv[4], &error)
                   ? 0
                   : 1;
      if (editable != NULL) g_object_unref(editable);
    } else if (strcmp(argv[1], "click") == 0) {
      AtspiAccessible* parent = atspi_accessible_get_parent(field, NULL);
      result = 1;
      gint n = parent != NULL ? atspi_accessible_get_child_count(parent, NULL) : 0;
      for (gint i = 0; i < n && result != 0; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(parent, i, NULL);
        if (child == NULL) continue;
        if (atspi_accessible_get_role(child, NULL) == ATSPI_ROLE_PUSH_BUTTON) {
          AtspiAction* action = atspi_accessible_get_action_iface(child);
          if (action != NULL && atspi_action_do_action(action, 0, &error)) result = 0;
          if (action != NULL) g_object_unref(action);
        }
        g_object_unref(child);
      }
      if (parent != NULL) g_object_unref(parent);
    } else {
      result = 2;
    }
    if (error != NULL) {
      fprintf(stderr, "atspi_probe: %s\n", error->message);
      g_error_free(error);
    }
    g_object_unref(field);
  } else {
    result = 2;
  }
  g_object_unref(app);
  fflush(stdout);
  return result;
}

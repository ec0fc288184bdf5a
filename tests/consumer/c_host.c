/* A host written in C: it uses only <vantrel/vantrel_c.h> and is compiled as
 * C99. For each FILE it runs both roads through the C API, from the file and
 * from a copy of its bytes in memory, checks that both answer the same, and
 * prints what it got in the form that road_dump prints through the C++
 * interfaces, so that the two can be compared line by line:
 *
 *   pair CropWidth(4)=595.000000
 *   rule 0 2 0-0 0
 *   prop Title(6,1)=Annual report
 *
 * It also checks that bad arguments give a failure status, not a crash.
 * Exit status 0 when every check held. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vantrel/vantrel_c.h>

static int failures = 0;

static void check(int ok, const char* what, const char* file) {
  if (!ok) {
    fprintf(stderr, "c_host: %s: %s\n", file, what);
    ++failures;
  }
}

/* The whole file, or NULL (with *size 0) when it cannot be read. */
static char* read_file(const char* path, size_t* size) {
  FILE* f = fopen(path, "rb");
  char* data = NULL;
  size_t used = 0, capacity = 0, n;
  *size = 0;
  if (f == NULL) return NULL;
  do {
    if (used == capacity) {
      char* grown;
      capacity = capacity == 0 ? 65536 : capacity * 2;
      grown = (char*)realloc(data, capacity);
      if (grown == NULL) {
        free(data);
        fclose(f);
        return NULL;
      }
      data = grown;
    }
    n = fread(data + used, 1, capacity - used, f);
    used += n;
  } while (n > 0);
  fclose(f);
  *size = used;
  return data;
}

static void print_pairs(const vantrel_result* r) {
  vantrel_pair_info pair;
  int i;
  for (i = 0; vantrel_result_pair(r, i, &pair); ++i) {
    printf("pair %s(%d)=%s\n", pair.key, pair.type, pair.value);
  }
}

static void print_rules(const vantrel_result* r) {
  vantrel_rule_info rule;
  vantrel_property_info property;
  int i, p;
  for (i = 0; vantrel_result_rule(r, i, &rule); ++i) {
    printf("rule %d %d %u-%u %u\n", rule.layer, rule.type, rule.first_page,
           rule.last_page, rule.booklet);
    for (p = 0; vantrel_result_property(r, i, p, &property); ++p) {
      printf("prop %s(%d,%d)=%s\n", property.name, property.type, property.id,
             property.value);
    }
    check(p == rule.property_count, "property count differs", "");
  }
}

static void scan(const char* path) {
  size_t size = 0;
  char* data = read_file(path, &size);
  vantrel_result* from_file;
  vantrel_result* from_memory = NULL;

  /* A file that cannot be read is still scanned from its path (the status
   * tells why it failed), but has no bytes to compare with. */
  const int in_memory = data != NULL;

  from_file = vantrel_pairs_file(path, VANTREL_MODE_WHOLE, 'P', 1);
  check(from_file != NULL, "no pairs result", path);
  if (in_memory) {
    from_memory = vantrel_pairs_memory(data, size, path, VANTREL_MODE_WHOLE,
                                       'P', 1);
    check(strcmp(vantrel_result_json(from_file),
                 vantrel_result_json(from_memory)) == 0,
          "pairs from memory differ from the file's", path);
  }
  check(strcmp(vantrel_result_name(from_file), path) == 0, "wrong name", path);
  printf("status %d\n", vantrel_result_status(from_file));
  print_pairs(from_file);
  check(vantrel_result_rule_count(from_file) == 0, "pairs result has rules",
        path);
  vantrel_result_free(from_file);
  vantrel_result_free(from_memory);
  from_memory = NULL;

  from_file = vantrel_rules_file(path, 0, "");
  if (in_memory) {
    from_memory = vantrel_rules_memory(data, size, path, 0, "");
    check(strcmp(vantrel_result_json(from_file),
                 vantrel_result_json(from_memory)) == 0,
          "rules from memory differ from the file's", path);
  }
  print_rules(from_file);
  check(vantrel_result_pair_count(from_file) == 0, "rules result has pairs",
        path);
  vantrel_result_free(from_file);
  vantrel_result_free(from_memory);
  free(data);
}

/* Each must answer a result whose status is VANTREL_SCAN_BAD_ARGUMENT. */
static void bad_arguments(void) {
  static const char job[] = "%!PS-Adobe-3.0\n";
  vantrel_result* bad[9];
  size_t i;
  bad[0] = vantrel_rules_file(NULL, 0, NULL);
  bad[1] = vantrel_rules_file("", 0, NULL);
  bad[2] = vantrel_rules_file("job.ps", 4, NULL);
  bad[3] = vantrel_rules_memory(NULL, 10, "job", 0, NULL);
  bad[4] = vantrel_pairs_file("job.ps", 7, 'M', 1);
  bad[5] = vantrel_pairs_file("job.ps", VANTREL_MODE_WHOLE, 'x', 1);
  bad[6] = vantrel_pairs_memory(job, sizeof job - 1, "", 15, 'M', 1);
  bad[7] = vantrel_pairs_file_named(NULL, "-", 15, 'M', 1);
  bad[8] = vantrel_rules_file_named("job.ps", "", 0, NULL);
  for (i = 0; i < sizeof bad / sizeof bad[0]; ++i) {
    check(vantrel_result_status(bad[i]) == VANTREL_SCAN_BAD_ARGUMENT,
          "bad argument not refused", "(bad arguments)");
    check(strstr(vantrel_result_json(bad[i]), "\"error\":\"bad argument\"") !=
              NULL,
          "bad argument not in the JSON", "(bad arguments)");
    vantrel_result_free(bad[i]);
  }
  /* A NULL result reads as empty and frees as nothing. */
  check(vantrel_result_status(NULL) == VANTREL_SCAN_OUT_OF_MEMORY,
        "NULL result status", "(null)");
  check(strcmp(vantrel_result_json(NULL), "") == 0, "NULL result JSON",
        "(null)");
  check(vantrel_result_pair(NULL, 0, NULL) == 0, "NULL pair", "(null)");
  vantrel_result_free(NULL);
  check(strcmp(VantrelScanStatusText(VANTREL_SCAN_BAD_ARGUMENT),
               "bad argument") == 0,
        "status text", "(bad arguments)");
}

int main(int argc, char** argv) {
  int i;
  if (argc < 2) {
    fprintf(stderr, "usage: c_host FILE...\n");
    return 2;
  }
  check(vantrel_version() != NULL && strchr(vantrel_version(), '.') != NULL,
        "no version", "(version)");
  bad_arguments();
  for (i = 1; i < argc; ++i) scan(argv[i]);
  return failures == 0 ? 0 : 1;
}

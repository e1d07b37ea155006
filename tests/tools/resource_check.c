/* Prints what the event viewer and the version tab would read from an
   executable: messages 956, 957 and 958 of its message table (line ends shown as
   \r \n) and its FileVersion text. */
#include <windows.h>
#include <stdio.h>

static void show_message(HMODULE module, DWORD id) {
  char text[256];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module, id,
                           0, text, sizeof text, NULL);
  printf("message %lu: ", (unsigned long)id);
  for (DWORD i = 0; i < n; ++i) {
    if (text[i] == '\r') printf("\\r");
    else if (text[i] == '\n') printf("\\n");
    else putchar(text[i]);
  }
  printf("\n");
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HMODULE module = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (module == NULL) return 3;
  show_message(module, 956);
  show_message(module, 957);
  show_message(module, 958);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(argv[1], &handle);
  char* block = (char*)malloc(size ? size : 1);
  void* value = NULL;
  UINT length = 0;
  if (size && GetFileVersionInfoA(argv[1], 0, size, block) &&
      VerQueryValueA(block, "\\StringFileInfo\\040904B0\\FileVersion", &value, &length))
    printf("FileVersion: %s\n", (char*)value);
  if (size && VerQueryValueA(block, "\\StringFileInfo\\040904B0\\ProductName", &value, &length))
    printf("ProductName: %s\n", (char*)value);
  free(block);
  return 0;
}

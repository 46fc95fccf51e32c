// The helper's log: bare texts on the debugger output, read with a debug
// viewer. There is deliberately no log file.
#ifndef VEXO_HELPER_LOG_H
#define VEXO_HELPER_LOG_H

void OpenLog(const char* fileName);
void WriteLog(const char* text);
void CloseLog();

#endif

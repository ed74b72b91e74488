// PenOutbox.dll serves one class, the outbox copy, to any apartment.
#include "ClassFactory.h"
#include "InprocModule.h"
#include "OutboxCopy.h"
#include "OutboxCopyClass.h"

const InprocClass kInprocClass{CLSID_OutboxCopy, L"Velar pen outbox copy", L"Both", &ClassFactory<OutboxCopy>::Get};

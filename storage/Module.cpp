// PenStorage.dll serves the storage API.
#include "ClassFactory.h"
#include "InprocModule.h"
#include "StorageApi.h"

#include "pen/PenManager.h"

const InprocClass kInprocClass{CLSID_StorageApi, L"Velar Storage API", L"Apartment", &ClassFactory<StorageApi>::Get};

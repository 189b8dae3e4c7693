#include "core/RObjectList.h"

RPlugRef RObjectList::GetAt(int index) const { return RGenericObjectList::GetAt(index); }

int RObjectList::Add(const RPlugRef& entry) { return RGenericObjectList::Add(entry); }

int RObjectList::AddAll(const RGenericObjectList& list) { return RGenericObjectList::AddAll(list); }

int RObjectList::InsertAt(int index, const RPlugRef& entry) { return RGenericObjectList::InsertAt(index, entry); }

int RObjectList::SetAt(int index, const RPlugRef& entry) { return RGenericObjectList::SetAt(index, entry); }

bool RObjectList::Remove(const RPlugRef& entry) { return RGenericObjectList::Remove(entry); }

bool RObjectList::RemoveAt(int index) { return RGenericObjectList::RemoveAt(index); }

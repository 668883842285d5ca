#pragma once
// Creating the component's graph: filters and other objects by class id, the capture graph
// builder bound to a new filter graph, and the graph's event and control interfaces. Every step
// is logged through the component. UI thread only.

#include <string>

#include "com/ComPtr.h"
#include "com/Guid.h"

class TRavorOderiri;

// Creates an object of clsid in-process and asks it for iid; reported as "instance: " + name.
bool CreateFilter(TRavorOderiri& component, REFCLSID clsid, REFIID iid, const std::string& name,
                  void** object);

template <class T>
bool CreateFilter(TRavorOderiri& component, REFCLSID clsid, const std::string& name,
                  ComPtr<T>& object) {
  return CreateFilter(component, clsid, IidOf<T>(), name, object.ReleaseAndGetVoidAddress());
}

// Clears the graph, stamps the renderer names with the tick count, creates the capture graph
// builder and the filter graph and binds the one to the other. True when all three succeeded.
bool CreateGraphBuilder(TRavorOderiri& component);

// Takes the graph's event interface (notifications posted to the component's window) and its
// media control; returns whether the media control was obtained.
bool GetGraphInterfaces(TRavorOderiri& component);

#pragma once

// How long the control waits for the engine, by what it asks. A call past its time fails, and
// the engine that did not answer is stopped.
namespace framer::timeouts {

// Loading a document (the default; hosts choose their own).
constexpr int LoadMs = 60000;
// Any other call (the default; hosts choose their own).
constexpr int CallMs = 30000;
// A command of the tool bar, the keys or the menus.
constexpr int CommandMs = 30000;
// An edit of the content: replacing, a picture, a file, protection.
constexpr int EditMs = 60000;
// Writing the document, or a sheet of it, to another format.
constexpr int ExportMs = 60000;
// Each step of bringing a document back in a fresh engine.
constexpr int RecoveryCallMs = 30000;

} // namespace framer::timeouts

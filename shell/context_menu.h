#pragma once

// Removes the registration of Quillbar's context-menu shell extension.
void RemoveContextMenuExtension();

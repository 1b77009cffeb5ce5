// Placeholder: filled in by the part of the platform that owns it.

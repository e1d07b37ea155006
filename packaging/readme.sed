# The README as the Debian package installs it in /usr/share/doc/kestro:
# its links to files the package does not ship (the developers' notes, the
# manual page's source) become plain text, so every link left resolves there.
s|\[packaging/kestro\.8\](packaging/kestro\.8)|`man 8 kestro`|g
s|\[\([^]]*\)\](docs/development\.md[^)]*)|\1 (in the source tree)|g

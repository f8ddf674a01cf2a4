"""A small product for the builder's tests: a text file and a larger binary one, with
a description that installs both."""
import os

DESCRIPTION = r'''company = "Test"
product = "Small"
main_program = "a.txt"
version = "1.2"
window_title = { en = "Small Setup", ja = "Small セットアップ" }

[[components]]
id = "main"
name = "Main"

[[setup_types]]
name = "Typical"
icon = 111
components = ["main"]
custom = true

[[path_pages]]
variable = "Destination"
default = '$(ProgramFilesDir)\Small'
components = ["main"]

[[files]]
source = "a.txt"
target = '$(Destination)\a.txt'
components = ["main"]

[[files]]
source = "big.bin"
target = '$(Destination)\data\big.bin'
components = ["main"]
'''


def write_small_product(folder, text='hello\n', big=None):
    """Writes a.txt, big.bin (300,000 random bytes unless given) and product.toml under
    folder; returns the description's path."""
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'a.txt'), 'w') as f:
        f.write(text)
    with open(os.path.join(folder, 'big.bin'), 'wb') as f:
        f.write(os.urandom(300000) if big is None else big)
    description = os.path.join(folder, 'product.toml')
    with open(description, 'w', encoding='utf-8') as f:
        f.write(DESCRIPTION)
    return description

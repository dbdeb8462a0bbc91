// Albumon default template: builds the thumbnail grid of the index page and the links of a
// picture page from the album's list (the arrays Fname and DocType written into each page).
(function() {
'use strict';

// Output pictures are named by the album with ".jpg"; pictures that kept their source names
// may carry another spelling, which is tried in turn when a thumbnail does not load.
var EXTENSIONS = ['.jpg', '.JPG', '.jpeg', '.JPEG', '.Jpg', '.Jpeg'];

function rawText(id) {
    var element = document.getElementById(id);
    return element ? element.textContent : '';
}

function entryCount() { return typeof Fname === 'undefined' ? 0 : Fname.length; }

function hasPage(i) { return typeof DocType !== 'undefined' && Number(DocType[i]) === 1; }

// A file name as one relative URL part: every reserved character ("#", "%", "?", "&",
// spaces...) and every non-ASCII character is escaped.
function part(name) { return encodeURIComponent(name); }

function baseName(fileName) {
    var dot = fileName.lastIndexOf('.');
    return dot < 0 ? fileName : fileName.substring(0, dot);
}

// An <img> showing the thumbnail of entry i from folder (a URL prefix ending in "/"). When
// it loads, found receives the extension under which the album holds the picture.
function thumbnail(folder, prefix, i, found) {
    var img = document.createElement('img');
    var tried = 0;
    img.alt = Fname[i];
    img.decoding = 'async';
    img.onload = function() {
        img.onerror = null;
        if (found)
            found(EXTENSIONS[tried]);
    };
    img.onerror = function() {
        tried += 1;
        if (tried < EXTENSIONS.length) {
            img.src = folder + part(prefix + Fname[i] + EXTENSIONS[tried]);
        } else {
            img.onerror = null;
            img.classList.add('missing');
        }
    };
    img.src = folder + part(prefix + Fname[i] + EXTENSIONS[0]);
    return img;
}

// Where entry i leads, seen from folder: its own page, or its picture.
function target(folder, i, extension) {
    return folder + part(Fname[i] + (hasPage(i) ? '.htm' : extension));
}

function element(tag, className, text) {
    var node = document.createElement(tag);
    if (className)
        node.className = className;
    if (text !== undefined)
        node.textContent = text;
    return node;
}

// Shows the raw title (the heading in the page source may have been read as markup).
function showTitle(title, suffix) {
    var heading = document.getElementById('album-heading');
    if (heading)
        heading.textContent = title;
    document.title = suffix ? suffix + ' - ' + title : title;
}

// A note the user typed as plain text keeps its line breaks; notes with markup stay as they
// are written.
function tidyNotes() {
    var cells = document.querySelectorAll('.note td');
    for (var c = 0; c < cells.length; c += 1) {
        var cell = cells[c];
        if (cell.children.length === 0) {
            cell.classList.add('plain');
            cell.textContent = cell.textContent.trim();
        }
    }
    var notes = document.querySelectorAll('.note');
    for (var n = 0; n < notes.length; n += 1) {
        if (!notes[n].querySelector('table'))
            notes[n].classList.add('empty');
    }
}

function buildIndex() {
    var title = rawText('albumon-title');
    var prefix = rawText('albumon-prefix');
    var folder = part(title + '.files') + '/';
    showTitle(title);
    var grid = document.getElementById('album-grid');
    if (!grid)
        return;
    var count = entryCount();
    for (var i = 0; i < count; i += 1) {
        grid.appendChild(indexCard(folder, prefix, i));
    }
    if (count === 0) {
        grid.appendChild(element('li', 'empty-album', '写真はまだありません'));
    }
}

function indexCard(folder, prefix, i) {
    var item = element('li', 'card');
    var link = element('a', 'card-link');
    link.href = target(folder, i, EXTENSIONS[0]);
    var frame = element('span', 'thumb');
    frame.appendChild(thumbnail(
        folder, prefix, i, function(extension) { link.href = target(folder, i, extension); }));
    link.appendChild(frame);
    var caption = element('span', 'caption');
    caption.appendChild(element('span', 'number', String(i + 1)));
    caption.appendChild(element('span', 'name', Fname[i]));
    link.appendChild(caption);
    if (hasPage(i)) {
        link.classList.add('has-page');
        link.appendChild(element('span', 'badge', '解説'));
    }
    item.appendChild(link);
    return item;
}

function buildPage() {
    var title = rawText('albumon-title');
    var prefix = rawText('albumon-prefix');
    var fileName = rawText('albumon-file');
    var indexUrl = '../' + part(title + '.htm');
    showTitle(title, fileName);
    tidyNotes();

    var photo = document.getElementById('photo');
    photo.src = part(fileName);
    photo.alt = fileName;
    document.getElementById('photo-link').href = part(fileName);
    document.getElementById('photo-caption').textContent = fileName;
    document.getElementById('to-index').href = indexUrl;
    document.getElementById('index').href = indexUrl;

    var own = Fname.indexOf(baseName(fileName));
    if (own < 0)
        return;
    document.getElementById('position').textContent = String(own + 1);
    var prev = neighbour('prev', prefix, own - 1);
    var next = neighbour('next', prefix, own + 1);
    document.addEventListener('keydown', function(event) {
        if (event.altKey || event.ctrlKey || event.metaKey || event.shiftKey)
            return;
        var link = event.key === 'ArrowLeft' ? prev : event.key === 'ArrowRight' ? next : null;
        if (link && link.href)
            window.location.href = link.href;
    });
}

// Fills the link to entry i beside a picture page; null when there is no such entry.
function neighbour(id, prefix, i) {
    var link = document.getElementById(id);
    if (!link || i < 0 || i >= entryCount())
        return null;
    link.href = target('', i, EXTENSIONS[0]);
    link.title = Fname[i];
    var frame = link.querySelector('.pager-thumb');
    if (frame) {
        frame.appendChild(thumbnail(
            '', prefix, i, function(extension) { link.href = target('', i, extension); }));
    }
    link.hidden = false;
    return link;
}

function start() {
    if (document.body.classList.contains('albumon-page')) {
        buildPage();
    } else {
        buildIndex();
    }
}

if (document.readyState === 'loading') {
    document.addEventListener('DOMContentLoaded', start);
} else {
    start();
}
})();
